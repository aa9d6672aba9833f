#!/usr/bin/env bash
# One whole run of Tarnwick.exe as a user sees it: the notice, the collection
# run, the report and its copy, the list, the About box, closing. Then once
# more under another name in a folder with a blank in its name.
#   end_to_end.sh TARNWICK_EXE TARNWICK_CLI_EXE LIST_PROBE_EXE ARTIFACTS_DIR
# Screenshots go to ARTIFACTS_DIR: notice.png, waiting-window.png (when the
# run lasts long enough to catch it), main-dialog.png, about-box.png.
set -euo pipefail
[ $# -eq 4 ] || {
  echo "usage: $0 TARNWICK_EXE TARNWICK_CLI_EXE LIST_PROBE_EXE ARTIFACTS_DIR" >&2
  exit 2
}
gui_name=gui_end_to_end
artifacts=$4
# shellcheck source=tests/win32/gui/common.sh
source "$(dirname "$0")/common.sh"

rm -f "$artifacts"/{notice,waiting-window,main-dialog,about-box,"$gui_name"-failure}.png
program=$(install_copy Tarnwick Tarnwick.exe "$1")
cli=$(install_copy "Tarnwick Console" tarnwick-cli.exe "$2")
probe=$(install_copy Tarnwick list_probe.exe "$3")
report="$drive_c/SystemInfo.ini"
beside="$drive_c/Tarnwick/SystemInfo.ini"

# The rows that this machine gives, from the console program.
timeout 120 wine "$cli" >"$work/cli.out" 2>"$work/cli.err" || fail "tarnwick-cli.exe failed: $(cat "$work/cli.err")"
tr -d '\r' <"$work/cli.out" >"$work/cli.txt"
expected=$(sed -n 's/^\([0-9][0-9]*\) entries$/\1/p' "$work/cli.txt" | tail -n 1)
[ -n "$expected" ] || fail "tarnwick-cli.exe printed no entry count"
log "tarnwick-cli.exe wrote $expected entries"

# The table lines from the last header to the blank line before the count
# (collectors may print lines of their own before it).
table_of() {
  awk '/^Section +Parameter +Value$/ { n = 0 }
       { line[n++] = $0 }
       /^[0-9]+ entries$/ { table = ""; for (i = 0; i < n - 2; i++) table = table line[i] "\n" }
       END { printf "%s", table }' "$1"
}
# Sections and keys only: some values (free memory) change from run to run.
# Both tables come from the same printer, so the columns start at the same
# place when the sections and keys agree.
names_of() {
  local width
  width=$(head -n 1 "$1" | awk '{ print index($0, "Value") - 1 }')
  cut -c "1-$width" "$1" | sed 's/ *$//'
}

# A report of an earlier run, which the notice must leave alone.
printf '[Earlier Run]\r\nMarker=kept until the notice is dismissed\r\n' >"$report"
cp "$report" "$work/earlier.ini"
rm -f "$beside"

log "starting $program"
start_program "$program"
tarnwick=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice within 60 s"
sleep 0.5
screenshot notice
cmp -s "$report" "$work/earlier.ini" || fail "the report changed while the notice was on screen"
[ ! -e "$beside" ] || fail "a copy of the report exists before the notice is dismissed"

close_with Return "$notice" "the notice"
# The notice is gone: the next visible "Tarnwick" window is the main dialog.
# Meanwhile the waiting window (no title) may be caught on screen.
deadline=$((SECONDS + 120))
main=""
waiting_seen=no
while [ -z "$main" ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no main dialog within 120 s of the notice"
  kill -0 "$tarnwick" 2>/dev/null || fail "Tarnwick.exe ended before its main dialog came"
  main=$(visible_windows '^Tarnwick$' | head -n 1)
  if [ -z "$main" ] && [ "$waiting_seen" = no ]; then
    for id in $(xdotool search --onlyvisible --class '^tarnwick\.exe$' 2>/dev/null || true); do
      if [ -z "$(xdotool getwindowname "$id" 2>/dev/null || true)" ]; then
        import -window root "$work/waiting.png" >/dev/null 2>&1 || continue
        # Kept only when the window was still there and painted.
        window_visible "$id" || continue
        [ "$(convert "$work/waiting.png" -format '%[fx:standard_deviation > 0]' info: 2>/dev/null)" = 1 ] || continue
        mv "$work/waiting.png" "$artifacts/waiting-window.png"
        log "screenshot $artifacts/waiting-window.png"
        waiting_seen=yes
        break
      fi
    done
  fi
  [ -n "$main" ] || sleep 0.1
done
log "main dialog $main (waiting window seen: $waiting_seen)"
# Let it finish painting before the screenshot.
sleep 1
screenshot main-dialog

# The report and its copy.
[ -f "$report" ] || fail "no C:\\SystemInfo.ini after the run"
! cmp -s "$report" "$work/earlier.ini" || fail "the report of the earlier run was not replaced"
! grep -q 'Earlier Run' "$report" || fail "the report still holds the earlier run's section"
printf '[Tool Version]\r\nTool Version=2.5\r\n' >"$work/first-entry.ini"
head -c "$(stat -c %s "$work/first-entry.ini")" "$report" | cmp -s - "$work/first-entry.ini" ||
  fail "the report does not start with the tool version: $(head -c 64 "$report" | od -c | head -n 4)"
[ -f "$beside" ] || fail "no SystemInfo.ini beside C:\\Tarnwick\\Tarnwick.exe"
cmp -s "$report" "$beside" || fail "the copy beside the program differs from C:\\SystemInfo.ini"

# The list: as many rows as the run wrote, in the same order.
count=$(timeout 60 wine "$probe" | tr -d '\r') || fail "list_probe.exe found no main dialog"
log "the list holds $count rows"
[ "$count" = "$expected" ] || fail "the list holds $count rows, the run wrote $expected"
timeout 60 wine "$probe" --table >"$work/probe.out" || fail "list_probe.exe cannot read the list"
tr -d '\r' <"$work/probe.out" >"$work/probe.txt"
table_of "$work/probe.txt" >"$work/probe.table"
table_of "$work/cli.txt" >"$work/cli.table"
sed -n 2p "$work/probe.table" | grep -Eq '^Tool Version +Tool Version +2\.5$' ||
  fail "the first row is not the tool version: $(sed -n 2p "$work/probe.table")"
names_of "$work/probe.table" >"$work/probe.names"
names_of "$work/cli.table" >"$work/cli.names"
diff -u "$work/cli.names" "$work/probe.names" >"$work/names.diff" ||
  fail "the list's sections and keys differ from tarnwick-cli.exe's: $(head -n 40 "$work/names.diff")"

# The About box from the system menu's command; the low four bits of the
# command do not matter.
for command in 0x10 0x1F; do
  timeout 60 wine "$probe" --syscommand "$command" || fail "cannot post system command $command"
  about=$(wait_window '^About Tarnwick$' 30) || fail "no About box within 30 s of system command $command"
  if [ "$command" = 0x10 ]; then
    sleep 0.5
    screenshot about-box
    # The same version as the report's first entry.
    about_text=$(timeout 60 wine "$probe" --about-text | tr -d '\r')
    [ "$about_text" = "Tarnwick Version 2.5" ] || fail "the About box says \"$about_text\""
  fi
  close_with Return "$about" "the About box"
  window_visible "$main" || fail "the main dialog closed with the About box"
done

close_with Escape "$main" "the main dialog"
status=0
wait_exit "$tarnwick" 30 || status=$?
[ "$status" -ne 124 ] || fail "Tarnwick.exe still runs 30 s after its dialog closed"
[ "$status" -eq 0 ] || fail "Tarnwick.exe ended with status $status"
log "Tarnwick.exe ended"

# Renamed, in a folder with a blank: the copy lands beside it under the
# report's own name.
renamed=$(install_copy "Support Tools" "TV Check.exe" "$1")
renamed_beside="$drive_c/Support Tools/SystemInfo.ini"
rm -f "$report" "$renamed_beside"
log "starting $renamed"
start_program "$renamed"
tarnwick=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice from the renamed program within 60 s"
close_with Return "$notice" "the renamed program's notice"
count=$(timeout 150 wine "$probe" --wait 120 | tr -d '\r') || fail "no main dialog of the renamed program within 120 s"
[ "$count" = "$expected" ] || fail "the renamed program's list holds $count rows, the run wrote $expected"
[ -f "$report" ] || fail "no C:\\SystemInfo.ini after the renamed program's run"
[ -f "$renamed_beside" ] || fail "no SystemInfo.ini beside $renamed"
cmp -s "$report" "$renamed_beside" || fail "the copy beside $renamed differs from C:\\SystemInfo.ini"
main=$(wait_window '^Tarnwick$' 10) || fail "the renamed program's dialog is not on screen"
close_with Escape "$main" "the renamed program's dialog"
status=0
wait_exit "$tarnwick" 30 || status=$?
[ "$status" -eq 0 ] || fail "the renamed program ended with status $status (124: still running)"
log "passed"
