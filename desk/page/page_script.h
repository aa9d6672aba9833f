// The fleet table's style and script, written into index.html itself.
#pragma once

namespace tarnwick::desk {

inline constexpr const char* kPageStyle = R"(
body { font: 14px system-ui, sans-serif; margin: 1em; color: #222; }
h1 { font-size: 1.4em; } h2 { font-size: 1.15em; margin-top: 1.2em; }
table { border-collapse: collapse; }
td, th { border: 1px solid #ccc; padding: 2px 6px; text-align: left; vertical-align: top; }
th { background: #eee; cursor: pointer; user-select: none; }
.counts { display: flex; gap: 2em; flex-wrap: wrap; }
#viewport { height: 70vh; overflow: auto; position: relative; border: 1px solid #ccc; }
#fleet { position: absolute; top: 0; left: 0; width: 100%; table-layout: fixed; }
#fleet td { white-space: nowrap; overflow: hidden; text-overflow: ellipsis; height: 22px; }
#fleet tbody tr { cursor: pointer; } #fleet tbody tr:hover { background: #eef4ff; }
#head th { position: sticky; top: 0; }
.problem { color: #b00; } .warning { color: #a60; } .note { color: #06a; }
.added { background: #e6ffe6; } .removed { background: #ffe6e6; } .changed { background: #fff6d6; }
)";

// Rows are drawn only for the part of the table in view, so that a fleet of
// many thousand reports opens and sorts at once.
inline constexpr const char* kPageScript = R"(
(function () {
  var ROW = 27;
  var all = JSON.parse(document.getElementById('fleet-data').textContent);
  var shown = all.slice();
  var sortColumn = -1, ascending = true;
  var viewport = document.getElementById('viewport');
  var spacer = document.getElementById('spacer');
  var table = document.getElementById('fleet');
  var body = table.tBodies[0];
  var filter = document.getElementById('filter');
  var finding = document.getElementById('finding');
  var count = document.getElementById('count');
  all.forEach(function (row) { row.text = row.cells.join('\u0001').toLowerCase(); });

  function draw() {
    var first = Math.max(0, Math.floor(viewport.scrollTop / ROW) - 5);
    var last = Math.min(shown.length, first + Math.ceil(viewport.clientHeight / ROW) + 10);
    table.style.top = (first * ROW) + 'px';
    var rows = document.createDocumentFragment();
    for (var i = first; i < last; i++) {
      var tr = document.createElement('tr');
      tr.dataset.link = shown[i].link;
      shown[i].cells.forEach(function (cell) {
        var td = document.createElement('td');
        td.textContent = cell;
        td.title = cell;
        tr.appendChild(td);
      });
      rows.appendChild(tr);
    }
    body.replaceChildren(rows);
  }

  function refresh() {
    var text = filter.value.toLowerCase();
    var id = finding.value;
    shown = all.filter(function (row) {
      return (text === '' || row.text.indexOf(text) >= 0) && (id === '' || row.findings.indexOf(id) >= 0);
    });
    if (sortColumn >= 0) {
      shown.sort(function (a, b) {
        var x = a.cells[sortColumn], y = b.cells[sortColumn];
        return (x < y ? -1 : x > y ? 1 : a.order - b.order) * (ascending ? 1 : -1);
      });
    }
    spacer.style.height = (shown.length * ROW + ROW) + 'px';
    count.textContent = shown.length + ' of ' + all.length + ' reports';
    count.dataset.shown = shown.length;
    draw();
  }

  document.querySelectorAll('#head th').forEach(function (th, column) {
    th.addEventListener('click', function () {
      ascending = sortColumn === column ? !ascending : true;
      sortColumn = column;
      document.querySelectorAll('#head th').forEach(function (other) { other.dataset.sort = ''; });
      th.dataset.sort = ascending ? 'up' : 'down';
      refresh();
    });
  });
  body.addEventListener('click', function (event) {
    var tr = event.target.closest('tr');
    if (tr && tr.dataset.link) window.location.href = tr.dataset.link;
  });
  filter.addEventListener('input', refresh);
  finding.addEventListener('change', refresh);
  viewport.addEventListener('scroll', draw);
  all.forEach(function (row, i) { row.order = i; });
  refresh();
})();
)";

}  // namespace tarnwick::desk
