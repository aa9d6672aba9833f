// The desk's store, table and page as tables: schema versions, what index
// adds and counts, recheck with a chosen code page, forget leaving nothing
// in the file, the senders' addresses, CSV quoting, the table's filters,
// earlier reports of a sender, and report texts escaped on the page.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "desk/page/page_writer.h"
#include "desk/rules.h"
#include "desk/store/report_store.h"
#include "desk/store/store_bytes.h"
#include "desk/store/store_commands.h"
#include "desk/store/store_schema.h"
#include "desk/table_rows.h"
#include "desk_test_reports.h"

namespace tarnwick::desk {
namespace {

namespace fs = std::filesystem;
using testing::kCleanReport;
using testing::WithCrLf;

const std::string kMailbox = TARNWICK_SOURCE_DIR "/tests/desk/example.mbox";

class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-store-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~Scratch() { fs::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return (path_ / name).string();
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<Checker> MustCheck() {
  std::string error;
  auto checker = Checker::Open(LoadRules({DefaultRulesFolder()}).rules, error);
  if (!checker) throw std::runtime_error(error);
  return checker;
}

std::unique_ptr<ReportStore> MustOpen(const std::string& path) {
  std::string error;
  auto store = ReportStore::Open(path, error);
  if (!store) throw std::runtime_error(error);
  return store;
}

// The first column of the first row, as text.
std::string Query(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  std::string text = "(error)";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
    const auto* value = sqlite3_column_text(statement, 0);
    text = value ? reinterpret_cast<const char*>(value) : "(null)";
  }
  sqlite3_finalize(statement);
  return text;
}

IndexCounts Index(ReportStore& store, const std::vector<std::string>& inputs, int batch = kIndexBatch) {
  IndexCounts counts;
  std::ostringstream errors;
  auto checker = MustCheck();
  EXPECT_TRUE(IndexInputs(store, *checker, inputs, {.batch = batch, .read = {}, .indexedAt = "2026-04-01T10:00:00Z"},
                          counts, errors));
  return counts;
}

// A database left at an earlier version opens at the current one; a later
// version is refused.
TEST(DeskStoreSchema, OpensEveryEarlierVersionAndRefusesALaterOne) {
  struct Case {
    const char* name;
    int steps;  // applied by hand before opening; -1 sets a version from the future
  } cases[] = {{"new file", 0}, {"version 1", 1}, {"current", SchemaVersion()}, {"from the future", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    const std::string path = scratch.Path("desk.db");
    {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
      for (int step = 0; step < c.steps; ++step) ASSERT_EQ(sqlite3_exec(db, SchemaSteps()[step], nullptr, nullptr, nullptr), SQLITE_OK);
      const std::string version = "PRAGMA user_version = " + std::to_string(c.steps < 0 ? 99 : c.steps);
      sqlite3_exec(db, version.c_str(), nullptr, nullptr, nullptr);
      sqlite3_close(db);
    }
    std::string error;
    auto store = ReportStore::Open(path, error);
    if (c.steps < 0) {
      EXPECT_FALSE(store);
      EXPECT_EQ(error, "the database is of version 99, newer than this program's 2");
      continue;
    }
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(Query(store->Handle(), "PRAGMA user_version"), "2");
    EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM pragma_table_info('reports') WHERE name = 'code_page_set'"), "1");
    EXPECT_EQ(Query(store->Handle(), "PRAGMA journal_mode"), "wal");
  }
}

// Digests against the published test vectors; the stored bytes come back
// whole, and a damaged or mis-sized blob is refused, not half read.
TEST(DeskStoreBytes, DigestsAndCompression) {
  struct Digest {
    std::string bytes;
    const char* sha256;
  } digests[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
  };
  for (const Digest& d : digests) EXPECT_EQ(Sha256Hex(d.bytes), d.sha256) << d.bytes;
  const std::string report = WithCrLf(kCleanReport);
  const std::string blob = Compress(report);
  struct Case {
    const char* name;
    std::string blob;
    std::size_t size;
    bool expands;
  } cases[] = {
      {"as stored", blob, report.size(), true},
      {"a size too small", blob, report.size() - 1, false},
      {"a size too large", blob, report.size() + 1, false},
      {"cut short", blob.substr(0, blob.size() / 2), report.size(), false},
      {"not zlib", "[Tool Version]", report.size(), false},
  };
  EXPECT_LT(blob.size(), report.size());
  for (const Case& c : cases) {
    const auto bytes = Expand(c.blob, c.size);
    EXPECT_EQ(bytes.has_value(), c.expands) << c.name;
    if (bytes) {
      EXPECT_EQ(*bytes, report) << c.name;
    }
  }
}

TEST(DeskStoreIndex, CountsAddedPresentAndRefused) {
  const std::string clean = WithCrLf(kCleanReport);
  const std::string other = testing::Edited(clean, {{"TotalPhys=1023", "TotalPhys=2047"}});
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes; an empty name is a missing input
    int added, present, refused, sources;
  } cases[] = {
      {"one report", {{"a.ini", clean}}, 1, 0, 0, 1},
      {"the same bytes from two sources", {{"a.ini", clean}, {"b.ini", clean}}, 1, 1, 0, 2},
      {"two reports", {{"a.ini", clean}, {"b.ini", other}}, 2, 0, 0, 2},
      {"not a report", {{"note.txt", "[Other]\r\nA=1\r\n"}, {"a.ini", clean}}, 1, 0, 1, 1},
      {"a missing input", {{"", ""}, {"a.ini", clean}}, 1, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    std::vector<std::string> inputs;
    for (const auto& [name, bytes] : c.files) inputs.push_back(name.empty() ? scratch.Path("missing.ini") : scratch.Write(name, bytes));
    auto store = MustOpen(scratch.Path("desk.db"));
    const IndexCounts counts = Index(*store, inputs);
    EXPECT_EQ(counts.added, c.added);
    EXPECT_EQ(counts.present, c.present);
    EXPECT_EQ(counts.refused, c.refused);
    EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM sources"), std::to_string(c.sources));
    // Every entry line of the clean report is one row; the bytes come back whole.
    EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM entries WHERE report = 1"), "28");
    std::string error;
    const auto stored = store->Load(1, error);
    ASSERT_TRUE(stored) << error;
    EXPECT_EQ(stored->found.bytes, clean);
  }
}

// The example mailbox's first report comes from Juergen, in a German locale
// (1252); recheck reads his reports in 1251 from then on, the others stay.
TEST(DeskStoreRecheck, ACodePageChosenForOneSenderStays) {
  Scratch scratch;
  auto store = MustOpen(scratch.Path("desk.db"));
  ASSERT_EQ(Index(*store, {kMailbox}).added, 5);
  auto checker = MustCheck();
  std::ostringstream errors;
  struct Step {
    RecheckOptions options;
    int rechecked;
  } steps[] = {{{.from = "JUERGEN@kunde.example", .codePage = 1251, .batch = 2}, 1}, {{.from = {}, .codePage = {}, .batch = 2}, 5}};
  for (const Step& step : steps) EXPECT_EQ(Recheck(*store, *checker, step.options, errors), step.rechecked);
  const std::string juergen = "SELECT code_page || '/' || code_page_set FROM reports WHERE mail_from LIKE '%juergen@%'";
  EXPECT_EQ(Query(store->Handle(), juergen), "1251/1251");
  EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM reports WHERE code_page_set IS NULL"), "4");
  EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM findings WHERE report = 1"), "3");
  EXPECT_EQ(errors.str(), "");
}

TEST(DeskStoreForget, NothingOfTheReportsStaysInTheFile) {
  struct Case {
    const char* name;
    bool byAddress;
    std::string what;
    int forgotten;
    const char* trace;  // a text only the forgotten reports held
  } cases[] = {
      {"by address", true, "ana@cliente.example", 1, "Ana Lima"},
      {"by source", false, kMailbox, 5, "Outlook User"},
      {"a source that only starts alike", false, kMailbox.substr(0, kMailbox.size() - 1), 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    const std::string path = scratch.Path("desk.db");
    auto store = MustOpen(path);
    ASSERT_EQ(Index(*store, {kMailbox, TARNWICK_SOURCE_DIR "/tests/desk/reports/after.ini"}).added, 6);
    const auto ids = c.byAddress ? store->ReportsFrom(c.what) : store->ReportsOfSource(c.what);
    EXPECT_EQ(static_cast<int>(ids.size()), c.forgotten);
    std::string error;
    ASSERT_TRUE(store->Forget(ids, error)) << error;
    EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM reports"), std::to_string(6 - c.forgotten));
    EXPECT_EQ(Query(store->Handle(), "SELECT count(*) FROM entries WHERE report NOT IN (SELECT id FROM reports)"), "0");
    store.reset();
    if (*c.trace == '\0') continue;
    for (const char* file : {"", "-wal"}) EXPECT_EQ(ReadAll(path + file).find(c.trace), std::string::npos) << file;
  }
}

TEST(DeskStoreSenders, TheAddressInAFromHeader) {
  struct Case {
    const char* from;
    const char* address;
    bool matches;
  } cases[] = {
      {"J\xC3\xBCrgen M\xC3\xBCller <Juergen@Kunde.example>", "juergen@kunde.example", true},
      {"juergen@kunde.example", " JUERGEN@kunde.example ", true},
      {"Other <other@kunde.example>", "juergen@kunde.example", false},
      {"juergen@kunde.example.evil <x@y.example>", "juergen@kunde.example", false},
      {"", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FromMatches(c.from, c.address), c.matches) << c.from << " / " << c.address;
}

TEST(DeskTable, CsvQuotesWhatNeedsIt) {
  const std::vector<TableRow> rows = {
      {"2026-03-14T09:26:53+01:00", "M\xC3\xBCller, J. <j@k.example>", "Windows XP",
       {{"Empia", "USB\\VID_EB1A&PID_2861", "5.2.1.0", "3-14-2008"}, {"Philips", "PCI\\VEN_1131", "", ""}}, "2.0",
       {{"Say \"hi\"", "1.0"}}, {"tuner-without-driver", "report-edited"}},
      {"", "", "Line\nbreak", {}, "", {}, {}},
  };
  std::ostringstream csv;
  WriteCsv(csv, rows);
  EXPECT_EQ(csv.str(),
            "date,from,windows,tuners,usb_type,applications,findings\r\n"
            "2026-03-14T09:26:53+01:00,\"M\xC3\xBCller, J. <j@k.example>\",Windows XP,"
            "Empia USB\\VID_EB1A&PID_2861 5.2.1.0 3-14-2008; Philips PCI\\VEN_1131,2.0,\"Say \"\"hi\"\" 1.0\","
            "tuner-without-driver report-edited\r\n"
            ",,\"Line\nbreak\",,,,\r\n");
}

TEST(DeskTable, Filters) {
  const TableRow row{"2026-03-14T09:26:53+01:00", "Ana Lima <ana@cliente.example>", "", {}, "", {}, {"run-incomplete"}};
  struct Case {
    const char* name;
    TableFilter filter;
    bool keeps;
  } cases[] = {
      {"none", {}, true},
      {"its finding", {.finding = "run-incomplete", .since = "", .from = ""}, true},
      {"another finding", {.finding = "run", .since = "", .from = ""}, false},
      {"since that day", {.finding = "", .since = "2026-03-14", .from = ""}, true},
      {"since the next day", {.finding = "", .since = "2026-03-15", .from = ""}, false},
      {"since the month", {.finding = "", .since = "2026-03", .from = ""}, true},
      {"sender, any case", {.finding = "", .since = "", .from = "ANA@"}, true},
      {"another sender", {.finding = "", .since = "", .from = "tom@"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.filter.Keeps(row), c.keeps) << c.name;
}

// The table read from the store's columns says what the reports themselves say.
TEST(DeskTable, FromTheStoreAsFromTheInputs) {
  Scratch scratch;
  auto store = MustOpen(scratch.Path("desk.db"));
  ASSERT_EQ(Index(*store, {kMailbox}).added, 5);
  auto checker = MustCheck();
  std::ostringstream errors, fromStore, fromInputs;
  std::vector<TableRow> inputRows;
  for (const DeskRecord& record : RecordsFromInputs({kMailbox}, *checker, {}, errors)) inputRows.push_back(RowOf(record));
  std::sort(inputRows.begin(), inputRows.end(), [](const TableRow& a, const TableRow& b) { return a.date < b.date; });
  std::string error;
  WriteJson(fromStore, RowsFromStore(*store, {}, error));
  WriteJson(fromInputs, inputRows);
  EXPECT_EQ(error, "");
  EXPECT_EQ(fromStore.str(), fromInputs.str());
  EXPECT_NE(fromStore.str().find("\"hardware_id\":\"USB\\\\VID_EB1A&PID_2861\""), std::string::npos);
  const std::vector<DeskRecord> stored = RecordsFromStore(*store, errors);
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(stored[3].report.mail->from, "Outlook User <user@office.example>");
  EXPECT_EQ(stored[3].findings.size(), 3u);
  EXPECT_EQ(errors.str(), "");
}

DeskRecord Record(std::int64_t id, const char* from, const char* date, std::string bytes = WithCrLf(kCleanReport)) {
  DeskRecord record{.id = id, .report = testing::MustRead(std::move(bytes)), .summary = {}, .findings = {}, .date = date};
  if (*from != '\0') record.report.mail = MailHeader{from, date, "", ""};
  record.summary = Summarise(record.report);
  return record;
}

TEST(DeskPage, TheSameSendersEarlierReport) {
  std::vector<DeskRecord> records;
  records.push_back(Record(1, "Ana <ana@c.example>", "2026-03-16T10:00:00Z"));
  records.push_back(Record(2, "Tom <tom@c.example>", "2026-03-10T10:00:00Z"));
  records.push_back(Record(3, "ANA@c.example", "2026-03-12T10:00:00Z"));
  records.push_back(Record(4, "", "2026-03-11T10:00:00Z"));
  records.push_back(Record(5, "", "2026-03-13T10:00:00Z"));
  records.push_back(Record(6, "Ana <ana@c.example>", "2026-03-16T10:00:00Z"));
  EXPECT_EQ(PreviousReports(records), (std::vector<int>{2, -1, -1, -1, -1, 0}));
}

TEST(DeskPage, EscapedTexts) {
  struct Case {
    const char* text;
    const char* html;
  } cases[] = {
      {"plain J\xC3\xBCrgen", "plain J\xC3\xBCrgen"},
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"a=\"1\" & b='2'", "a=&quot;1&quot; &amp; b=&#39;2&#39;"},
      {"&amp;", "&amp;amp;"},
  };
  for (const Case& c : cases) EXPECT_EQ(HtmlEscape(c.text), c.html);
}

TEST(DeskPage, ReportTextsShowAsText) {
  const std::string hostile = "<script>alert(1)</script>";
  std::vector<DeskRecord> records;
  records.push_back(Record(1, "Eve <eve@c.example>", "2026-03-01T10:00:00Z"));
  records.push_back(Record(2, "Eve <eve@c.example>", "2026-03-02T10:00:00Z",
                           testing::Edited(WithCrLf(kCleanReport), {{"Anna is", hostile + " is"}})));
  records[1].findings.push_back({"x-test", "note", hostile, {{"User Info", "User Name", hostile}}, "\"&'"});
  Scratch scratch;
  std::string error;
  ASSERT_TRUE(WritePage(records, scratch.Path("page"), error)) << error;
  const std::string index = ReadAll(scratch.Path("page/index.html"));
  const std::string report = ReadAll(scratch.Path("page/reports/r2.html"));
  const auto count = [](const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(index, "<script"), 2u);  // the fleet's data and its script
  EXPECT_EQ(count(report, "<script"), 0u);
  EXPECT_EQ(count(report, "&lt;script&gt;alert(1)&lt;/script&gt;"), 6u);  // title, evidence, card, section, changed, new finding
  EXPECT_EQ(count(report, "&quot;&amp;&#39;"), 1u);
  EXPECT_NE(report.find("Compare with the previous report"), std::string::npos);
  EXPECT_NE(report.find("href=\"r1.html\""), std::string::npos);
  EXPECT_EQ(count(index, "http"), count(index, "http-equiv"));  // nothing is loaded from elsewhere
}

}  // namespace
}  // namespace tarnwick::desk
