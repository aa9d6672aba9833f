// The collection run as the report sees it, on a computer where every
// platform service finds nothing: the version entry and its separator, the
// list agreeing with the file, the copy beside the executable, and a run
// whose report cannot be written.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "app/console_run.h"
#include "app/report_copy.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/absent_services.h"
#include "platform/memory_registry.h"
#include "platform/text.h"
#include "report_test_files.h"
#include "silent_machine.h"

#ifdef TARNWICK_POSIX_FILES
#include <filesystem>
#endif

namespace tarnwick {
namespace {

using testing_files::MemoryReportFiles;

std::string EmptyLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "\r\n";
  return lines;
}

// How every run begins: the version entry and its group separator.
constexpr std::string_view kReportStart = "[Tool Version]\r\nTool Version=2.5\r\n\r\n";
const ReportEntry kVersionRow{"Tool Version", "Tool Version", "2.5"};

struct Section {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
  friend bool operator==(const Section&, const Section&) = default;
};

std::ostream& operator<<(std::ostream& out, const Section& section) {
  out << "[" << section.name << "]";
  for (const auto& [key, value] : section.entries) out << " " << key << "=" << value << ";";
  return out;
}

// The sections of a report file as a reader sees them; empty lines are
// left out, any other line is a fault.
std::vector<Section> ReadSections(const std::string& report) {
  std::vector<Section> sections;
  std::size_t start = 0;
  while (start < report.size()) {
    const std::size_t end = report.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line without CR LF";
      break;
    }
    const std::string line = report.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      sections.push_back({line.substr(1, line.size() - 2), {}});
    } else if (line.find('=') != std::string::npos && !sections.empty()) {
      const std::size_t equals = line.find('=');
      sections.back().entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    } else {
      ADD_FAILURE() << "unexpected line: " << line;
    }
  }
  return sections;
}

// What the rows say the file holds: sections in the order of their first
// row, keys in the order of their first row, the last value of each, names
// without regard to case and in their first spelling.
std::vector<Section> SectionsOfRows(const std::vector<ReportEntry>& rows) {
  std::vector<Section> sections;
  for (const ReportEntry& row : rows) {
    Section* section = nullptr;
    for (Section& s : sections) {
      if (EqualsIgnoreCase(s.name, row.section)) section = &s;
    }
    if (section == nullptr) section = &sections.emplace_back(Section{row.section, {}});
    bool replaced = false;
    for (auto& entry : section->entries) {
      if (EqualsIgnoreCase(entry.first, row.key)) {
        entry.second = row.value;
        replaced = true;
      }
    }
    if (!replaced) section->entries.emplace_back(row.key, row.value);
  }
  return sections;
}

using testing_support::SilentMachine;

struct CopyPathCase {
  const char* name;
  std::string executable;
  std::optional<std::string> copy;
};

void PrintTo(const CopyPathCase& c, std::ostream* out) { *out << c.name; }

class CopyPaths : public testing::TestWithParam<CopyPathCase> {};

TEST_P(CopyPaths, CopyLiesInTheExecutablesFolder) {
  EXPECT_EQ(ReportCopyPath(GetParam().executable, kReportPath), GetParam().copy);
}

const std::string kFolder241(241, 'a');  // "C:\" + folder + "\SystemInfo.ini" is 259 characters

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, CopyPaths, testing::Values(
    CopyPathCase{"UsualName", "C:\\Tarnwick\\Tarnwick.exe", "C:\\Tarnwick\\SystemInfo.ini"},
    CopyPathCase{"LongerName", "D:\\Tools\\TarnwickX.exe", "D:\\Tools\\SystemInfo.ini"},
    CopyPathCase{"ShortName", "D:\\Tools\\Tw.exe", "D:\\Tools\\SystemInfo.ini"},
    CopyPathCase{"NetworkShare", "\\\\server\\share\\Tarnwick.exe", "\\\\server\\share\\SystemInfo.ini"},
    CopyPathCase{"InRootOfC", "C:\\Tarnwick.exe", std::nullopt},
    CopyPathCase{"ShortNameInRootOfC", "C:\\T.exe", std::nullopt},
    CopyPathCase{"InRootOfCOtherCase", "c:\\TARNWICK.EXE", std::nullopt},
    CopyPathCase{"InRootOfCDoubledBackslash", "C:\\\\Tarnwick.exe", std::nullopt},
    CopyPathCase{"LongestFolder", "C:\\" + kFolder241 + "\\Tarnwick.exe", "C:\\" + kFolder241 + "\\SystemInfo.ini"},
    CopyPathCase{"FolderTooLong", "C:\\" + kFolder241 + "b\\Tarnwick.exe", std::nullopt},
    CopyPathCase{"NoBackslash", "Tarnwick.exe", std::nullopt},
    CopyPathCase{"Empty", "", std::nullopt}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct RunResult {
  std::vector<ReportEntry> rows;
  std::int32_t rowCount = 0;
  bool complete = false;
};

RunResult RunOn(ReportFiles& files, const std::string& executable = "C:\\Tarnwick\\Tarnwick.exe") {
  SilentMachine machine(files, executable);
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(machine.Services(), rows, diagnostics);
  dialog.RunCollection();
  return {rows.Rows(), dialog.rowCount(), dialog.ReportComplete()};
}

TEST(ReportRun, FileAndListAgree) {
  MemoryReportFiles files;
  const RunResult run = RunOn(files);
  ASSERT_FALSE(run.rows.empty());
  EXPECT_EQ(run.rows.front(), kVersionRow);
  EXPECT_EQ(run.rowCount, static_cast<std::int32_t>(run.rows.size()));
  EXPECT_TRUE(run.complete);
  const auto report = files.Read(kReportPath);
  ASSERT_TRUE(report.has_value());
  EXPECT_TRUE(report->starts_with(kReportStart));
  // The 22 filter categories hold nothing here; each leaves its separator.
  EXPECT_TRUE(report->ends_with(EmptyLines(23)));
  EXPECT_EQ(ReadSections(*report), SectionsOfRows(run.rows));
  // Where no collector writes, the run is only appends.
  EXPECT_EQ(files.Read("C:\\Tarnwick\\SystemInfo.ini"), report);
}

// Writes that fail in different ways: the rows still come as in a run that
// can write, and the dialog tells that the report is incomplete.
struct FailingRunCase {
  const char* name;
  std::optional<std::string> oldReport;
  bool failAppend;
  bool failReplace;
  bool failDelete;
};

void PrintTo(const FailingRunCase& c, std::ostream* out) { *out << c.name; }

class FailingRuns : public testing::TestWithParam<FailingRunCase> {};

TEST_P(FailingRuns, RowsStillComeAndIncompletenessShows) {
  const FailingRunCase& c = GetParam();
  MemoryReportFiles intact;
  const RunResult reference = RunOn(intact);

  MemoryReportFiles files;
  if (c.oldReport) files.files[std::string(kReportPath)] = *c.oldReport;
  files.failAppend = c.failAppend;
  files.failReplace = c.failReplace;
  files.failDelete = c.failDelete;
  const RunResult run = RunOn(files);
  const int reads = files.reads;

  EXPECT_EQ(run.rows, reference.rows);
  EXPECT_EQ(run.rowCount, reference.rowCount);
  EXPECT_FALSE(run.complete);
  // The copy is this run's complete report, wherever it can be written.
  const auto complete = c.failReplace ? std::nullopt : intact.Read(kReportPath);
  EXPECT_EQ(files.Read("C:\\Tarnwick\\SystemInfo.ini"), complete);
  // An old report that stays is read once, however many writes fail.
  EXPECT_EQ(reads, c.oldReport ? 1 : 0);
  if (c.failAppend && c.failReplace) {
    EXPECT_EQ(files.Read(kReportPath), c.oldReport);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, FailingRuns, testing::Values(
    FailingRunCase{"AppendsFail", std::nullopt, true, false, false},
    FailingRunCase{"AllWritesFail", std::string("[Old]\r\nk=v\r\n"), true, true, true},
    FailingRunCase{"AllWritesFailNoOldReport", std::nullopt, true, true, false}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ReportRun, OldReportThatCannotBeDeletedIsMergedInto) {
  MemoryReportFiles intact;
  const RunResult reference = RunOn(intact);

  MemoryReportFiles files;
  files.files[std::string(kReportPath)] = "[Tool Version]\r\nTool Version=2.4\r\n\r\n[Old]\r\nk=v\r\n";
  files.failDelete = true;
  const RunResult run = RunOn(files);
  EXPECT_EQ(run.rows, reference.rows);
  EXPECT_FALSE(run.complete);
  const auto report = files.Read(kReportPath);
  ASSERT_TRUE(report.has_value());
  // The version is replaced where it stood; the old section stays second.
  EXPECT_TRUE(report->starts_with("[Tool Version]\r\nTool Version=2.5\r\n\r\n[Old]\r\nk=v\r\n"));
  std::vector<ReportEntry> rows = run.rows;
  rows.insert(rows.begin() + 1, ReportEntry{"Old", "k", "v"});
  EXPECT_EQ(ReadSections(*report), SectionsOfRows(rows));
}

// What the console programs say of the report, and their exit status.
struct ConsoleOutcomeCase {
  const char* name;
  bool oldReport;
  bool failDelete;
  bool failWrites;
  int status;
  std::string errors;
};

TEST(ReportRun, ConsoleSaysWhatHappenedToTheReport) {
  const std::string merged =
      "tarnwick: the old report C:\\SystemInfo.ini could not be removed; this run's entries were merged into it\n";
  const std::string incomplete = "tarnwick: the report could not be written completely to C:\\SystemInfo.ini\n";
  // The copy beside the program is this run's complete report, when it can
  // be written.
  const std::string sendCopy =
      "tarnwick: the complete report of this run is C:\\Tarnwick\\SystemInfo.ini: send that file\n";
  const std::string noCopy = "tarnwick: the copy C:\\Tarnwick\\SystemInfo.ini could not be written\n"
                             "tarnwick: no complete report of this run could be written\n";
  const ConsoleOutcomeCase cases[] = {
      {"Clean", false, false, false, 0, ""},
      {"OldReportRemoved", true, false, false, 0, ""},
      {"OldReportKept", true, true, false, 1, merged + sendCopy},
      {"NothingToRemoveButWritesFail", false, true, true, 1, incomplete + noCopy},
      {"OldReportKeptAndWritesFail", true, true, true, 1,
       "tarnwick: the old report C:\\SystemInfo.ini could not be removed, and this run's entries could not all be "
       "written into it\n" + noCopy},
  };
  for (const ConsoleOutcomeCase& c : cases) {
    MemoryReportFiles files;
    if (c.oldReport) files.files[std::string(kReportPath)] = "[Old]\r\nk=v\r\n";
    files.failDelete = c.failDelete;
    files.failAppend = files.failReplace = c.failWrites;
    SilentMachine machine(files, "C:\\Tarnwick\\Tarnwick.exe");
    std::ostringstream out;
    std::ostringstream err;
    char program[] = "tarnwick";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(RunFromConsole(machine.Services(), ConsoleOptions{"tarnwick"}, 1, argv, out, err), c.status) << c.name;
    EXPECT_EQ(err.str(), c.errors) << c.name;
    EXPECT_EQ(out.str().find("Report written to") != std::string::npos, c.status == 0) << c.name;
  }
}

#ifdef TARNWICK_POSIX_FILES

// The run on the mapped drive: drive C is one scratch folder, drive D
// another one inside it.
class MappedRun {
 public:
  explicit MappedRun(const std::string& executable)
      : files_(Drives()), machine_(files_, executable), dialog_(machine_.Services(), rows_, diagnostics_) {}

  ReportDialog& Dialog() { return dialog_; }
  const RecordedRows& Rows() const { return rows_; }
  std::string Host(const std::string& relative) const { return folder_.Host(relative); }
  void MakeFolder(const std::string& relative) { std::filesystem::create_directories(Host(relative)); }

 private:
  DriveMap Drives() {
    DriveMap drives;
    drives.Map('C', folder_.Host("c"));
    drives.Map('D', folder_.Host("d"));
    std::filesystem::create_directories(folder_.Host("c"));
    std::filesystem::create_directories(folder_.Host("d"));
    return drives;
  }

  testing_files::ScratchFolder folder_;
  MappedReportFiles files_;
  SilentMachine machine_;
  RecordedRows rows_;
  std::ostringstream diagnostics_;
  ReportDialog dialog_;
};

// The report of the same run on the in-memory files.
std::string ReferenceReport() {
  MemoryReportFiles files;
  RunOn(files);
  return files.Read(kReportPath).value_or("");
}

TEST(ReportRun, OnMappedDriveAsInMemory) {
  MappedRun run("C:\\Tarnwick\\Tarnwick.exe");
  run.MakeFolder("c/Tarnwick");
  testing_files::WriteHost(run.Host("c/SystemInfo.ini"), "[Old]\r\nstale=1\r\n");  // from an earlier run
  run.Dialog().RunCollection();

  const std::string expected = ReferenceReport();
  EXPECT_TRUE(expected.starts_with(kReportStart));
  EXPECT_EQ(testing_files::ReadHost(run.Host("c/SystemInfo.ini")), expected);
  EXPECT_EQ(run.Rows().Rows().front(), kVersionRow);
  EXPECT_EQ(run.Dialog().rowCount(), static_cast<std::int32_t>(run.Rows().Rows().size()));
  EXPECT_TRUE(run.Dialog().ReportComplete());
  EXPECT_EQ(run.Dialog().CopiedTo(), std::optional<std::string>("C:\\Tarnwick\\SystemInfo.ini"));
  EXPECT_EQ(testing_files::ReadHost(run.Host("c/Tarnwick/SystemInfo.ini")), expected);
}

struct MappedCopyCase {
  const char* name;
  std::string executable;
  const char* folder;                   // made before the run, below the scratch folder
  std::optional<std::string> copiedTo;  // what the dialog tells
  std::optional<std::string> copyHost;  // where the copy lands, below the scratch folder
};

void PrintTo(const MappedCopyCase& c, std::ostream* out) { *out << c.name; }

class MappedCopies : public testing::TestWithParam<MappedCopyCase> {};

TEST_P(MappedCopies, CopyLandsBesideTheExecutableAndNeverHarmsTheReport) {
  const MappedCopyCase& c = GetParam();
  MappedRun run(c.executable);
  if (c.folder[0] != '\0') run.MakeFolder(c.folder);
  run.Dialog().RunCollection();

  const std::string expected = ReferenceReport();
  EXPECT_EQ(testing_files::ReadHost(run.Host("c/SystemInfo.ini")), expected);
  EXPECT_EQ(run.Dialog().CopiedTo(), c.copiedTo);
  if (c.copyHost) {
    EXPECT_EQ(testing_files::ReadHost(run.Host(*c.copyHost)), expected);
  }
  EXPECT_TRUE(run.Dialog().ReportComplete());
}

const std::optional<std::string> kNoCopy;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, MappedCopies, testing::Values(
    MappedCopyCase{"ShortNameStaysInItsFolder", "D:\\Tools\\Tw.exe", "d/Tools",
                   std::string("D:\\Tools\\SystemInfo.ini"), std::string("d/Tools/SystemInfo.ini")},
    MappedCopyCase{"RenamedExecutable", "D:\\Tools\\TarnwickX.exe", "d/Tools",
                   std::string("D:\\Tools\\SystemInfo.ini"), std::string("d/Tools/SystemInfo.ini")},
    MappedCopyCase{"InRootOfC", "c:\\\\TARNWICK.EXE", "", kNoCopy, kNoCopy},
    // Another name of the report itself: the copy leaves it as it is.
    MappedCopyCase{"ReportReachedThroughDotDot", "C:\\Tarnwick\\..\\Tarnwick.exe", "c/Tarnwick",
                   std::string("C:\\Tarnwick\\..\\SystemInfo.ini"), kNoCopy},
    MappedCopyCase{"FolderMissing", "C:\\Missing\\Tarnwick.exe", "", kNoCopy, kNoCopy},
    MappedCopyCase{"DriveNotMapped", "E:\\Tarnwick\\Tarnwick.exe", "", kNoCopy, kNoCopy}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

#endif

}  // namespace
}  // namespace tarnwick
