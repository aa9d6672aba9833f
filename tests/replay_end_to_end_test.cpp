// The collection run against machine folders, composed as tarnwick-replay
// composes it, checked against the shared example's expected output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "app/console_table.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/posix/mapped_files.h"
#include "platform/replay/replay_platform.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

const std::string kMachines = std::string(TARNWICK_SOURCE_DIR) + "/tests/machines";
const std::string kExample = std::string(TARNWICK_EXAMPLES_DIR) + "/xp-desk";

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-replay-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> SplitAt(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size()) {
    parts.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) parts.push_back(text.substr(start));
  return parts;
}

struct ReplayRun {
  std::optional<LoadError> error;
  std::vector<ReportEntry> rows;
};

ReplayRun RunReplay(const std::string& machineFolder, const std::string& out) {
  ReplayRun run;
  ReplayMachine machine;
  run.error = LoadMachineFolder(machineFolder, machine);
  if (run.error) return run;
  ReplayPlatform platform(machine, out);
  EXPECT_FALSE(platform.CreateOutputFolders());
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(platform.Services(), rows, diagnostics);
  dialog.RunCollection();
  EXPECT_TRUE(dialog.ReportComplete());
  EXPECT_TRUE(ReplaceHostFile(out + "/rows.tsv", RowsTsv(rows.Rows())));
  run.rows = rows.Rows();
  return run;
}

// The shared example's report, its copy and rows.tsv, byte for byte: a
// collector left out of the run, or a separator more or less, fails here.
TEST(ReplayEndToEnd, SharedExampleMatchesByteForByte) {
  TemporaryFolder out;
  ASSERT_FALSE(out.Path().empty());
  const ReplayRun run = RunReplay(kExample, out.Path());
  ASSERT_FALSE(run.error) << Describe(*run.error);

  const fs::path expected = fs::path(kExample) / "expected";
  const std::string wanted = ReadWhole(expected / "drive_c" / "SystemInfo.ini");
  ASSERT_FALSE(wanted.empty()) << "no expected report below " << kExample;
  const std::string report = ReadWhole(fs::path(out.Path()) / "drive_c" / "SystemInfo.ini");
  EXPECT_EQ(report, wanted);
  EXPECT_EQ(ReadWhole(fs::path(out.Path()) / "drive_c/Documents and Settings/Luc/Bureau/SystemInfo.ini"), wanted);
  const std::string rows = ReadWhole(fs::path(out.Path()) / "rows.tsv");
  EXPECT_EQ(rows, ReadWhole(expected / "rows.tsv"));
  EXPECT_EQ(SplitAt(rows, "\n").size(), run.rows.size());
}

TEST(ReplayEndToEnd, EmptyFolderIsAComputerWithoutFacts) {
  TemporaryFolder machine;
  TemporaryFolder out;
  const ReplayRun run = RunReplay(machine.Path(), out.Path());
  ASSERT_FALSE(run.error) << Describe(*run.error);
  const std::string report = ReadWhole(fs::path(out.Path()) / "drive_c" / "SystemInfo.ini");
  EXPECT_EQ(report.rfind("[Tool Version]\r\n", 0), 0u);
  EXPECT_EQ(ReadWhole(fs::path(out.Path()) / "drive_c" / "Tarnwick" / "SystemInfo.ini"), report);
  EXPECT_EQ(SplitAt(ReadWhole(fs::path(out.Path()) / "rows.tsv"), "\n").size(), run.rows.size());
}

TEST(ReplayEndToEnd, CopyGoesBesideAProgramOnAnotherDrive) {
  TemporaryFolder out;
  const ReplayRun run = RunReplay(kMachines + "/tuner-stick", out.Path());
  ASSERT_FALSE(run.error) << Describe(*run.error);
  const std::string report = ReadWhole(fs::path(out.Path()) / "drive_c" / "SystemInfo.ini");
  EXPECT_FALSE(report.empty());
  EXPECT_EQ(ReadWhole(fs::path(out.Path()) / "drive_d" / "Treiber" / "SystemInfo.ini"), report);
}

struct RefusedMachine {
  const char* name;
  std::string folder;
  std::string message;  // the whole Describe() text after the folder
};

class ReplayRefusesMachine : public testing::TestWithParam<RefusedMachine> {};

TEST_P(ReplayRefusesMachine, BeforeWritingAnything) {
  const RefusedMachine& c = GetParam();
  TemporaryFolder parent;
  const std::string out = parent.Path() + "/out";
  const ReplayRun run = RunReplay(c.folder, out);
  ASSERT_TRUE(run.error);
  EXPECT_EQ(Describe(*run.error), c.folder + c.message);
  EXPECT_FALSE(fs::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Machines, ReplayRefusesMachine,
    testing::Values(RefusedMachine{"badRegistry", kMachines + "/bad-registry",
                                   "/registry.reg:6: expected hexadecimal digits in a dword"},
                    RefusedMachine{"badMachineFile", kMachines + "/bad-machine",
                                   "/machine.json:5: version.productType: larger than 255"},
                    RefusedMachine{"missingFolder", kMachines + "/no-such-machine", ": no such machine folder"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplayEndToEnd, FilesThatAreNoPlainFilesAreRefused) {
  TemporaryFolder machine;
  fs::create_directory(fs::path(machine.Path()) / "machine.json");
  ASSERT_EQ(::mkfifo((machine.Path() + "/registry.reg").c_str(), 0600), 0);  // opening it would wait
  const ReplayRun run = RunReplay(machine.Path(), machine.Path() + "/out");
  ASSERT_TRUE(run.error);
  EXPECT_EQ(Describe(*run.error), machine.Path() + "/registry.reg: cannot be read");
  fs::remove(fs::path(machine.Path()) / "registry.reg");
  EXPECT_EQ(Describe(*RunReplay(machine.Path(), machine.Path() + "/out").error),
            machine.Path() + "/machine.json: cannot be read");
}

}  // namespace
}  // namespace tarnwick
