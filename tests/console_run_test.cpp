// The console programs' command line: what each option does to the output
// and the report, and what is refused.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/console_run.h"
#include "app/console_table.h"
#include "app/report_redaction.h"
#include "console_outcome.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_platform.h"
#include "report_test_files.h"
#include "silent_machine.h"

namespace tarnwick {
namespace {

using testing_files::MemoryReportFiles;

// Every query fails; the version query prints "GetVersion error = 50".
using QuietMachine = testing_support::SilentMachine;

struct ConsoleCase {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  std::string outStart;  // what standard output begins with
  std::string errStart;  // what standard error begins with
  std::vector<std::string> files;  // the files written, by their Windows paths
  bool linuxProgram = false;       // the Linux program's options (no copy by default)
  std::string said = "";           // a part of standard output
};

TEST(ConsoleRun, OptionsShapeOutputAndReportPlaces) {
  const std::string report = "C:\\SystemInfo.ini";
  const std::string copy = "C:\\Tarnwick\\SystemInfo.ini";
  const ConsoleCase cases[] = {
      {"Plain", {}, 0, "Section ", "", {report, copy}, false, "Copy written to C:\\Tarnwick\\SystemInfo.ini\n"},
      {"Verbose", {"--verbose"}, 0, "Section ", "GetVersion error = 50 \n", {report, copy}},
      {"Json", {"--json", "--no-copy"}, 0,
       "[\n  {\"section\": \"Tool Version\", \"key\": \"Tool Version\", \"value\": \"2.5\"}", "", {report}},
      {"Output", {"--output", "D:\\Reports\\pc.ini"}, 0, "Section ", "", {copy, "D:\\Reports\\pc.ini"}},
      {"NullDevice", {"--output", "NUL"}, 0, "Section ", "", {}, false, "entries\nReport discarded (NUL)\n"},
      {"Help", {"--verbose", "--help"}, 0, "Usage: tarnwick [--verbose] [--json]", "", {}, false,
       "the report C:\\SystemInfo.ini\nwith a copy beside the program, and"},
      {"LinuxHelp", {"--help"}, 0, "Usage: tarnwick", "", {}, true,
       "the report ./SystemInfo.ini\nand prints every entry.\n  --verbose"},
      {"LinuxNoCopy", {}, 0, "Section ", "", {report}, true, "entries\nReport written to C:\\SystemInfo.ini\n"},
      {"LinuxCopyBeside", {"--copy-beside"}, 0, "Section ", "", {report, copy}, true},
      {"LinuxOldScripts", {"--no-copy"}, 0, "Section ", "", {report}, true},
      {"Version", {"--version"}, 0, "tarnwick 2.5\n", "", {}},
      {"Unknown", {"--jsn"}, 2, "", "tarnwick: unknown argument '--jsn'\nUsage:", {}},
      // Only the Linux program reads its facts below a folder.
      {"RootNotTaken", {"--root", "/"}, 2, "", "tarnwick: unknown argument '--root'\nUsage:", {}},
      {"OutputWithoutFile", {"--output"}, 2, "", "tarnwick: --output needs a file name\n", {}},
      {"OutputEmpty", {"--output", ""}, 2, "", "tarnwick: --output needs a file name\n", {}},
  };
  for (const ConsoleCase& c : cases) {
    MemoryReportFiles files;
    QuietMachine machine(files);
    const auto outcome = testing_support::RunConsole(machine.Services(), c.linuxProgram, c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.name;
    EXPECT_EQ(outcome.out.substr(0, c.outStart.size()), c.outStart) << c.name << ": " << outcome.out;
    EXPECT_EQ(outcome.err.substr(0, c.errStart.size()), c.errStart) << c.name << ": " << outcome.err;
    EXPECT_NE(outcome.out.find(c.said), std::string::npos) << c.name << ": " << outcome.out;
    if (c.errStart.empty()) {
      EXPECT_EQ(outcome.err, "") << c.name;
    }
    std::vector<std::string> written;
    for (const auto& [path, content] : files.files) written.push_back(path);
    EXPECT_EQ(written, c.files) << c.name;
  }
}

// Whatever the options, the report is the same file.
TEST(ConsoleRun, JsonEndsTheArrayAndTheReportStaysTheSame) {
  MemoryReportFiles plainFiles;
  MemoryReportFiles jsonFiles;
  QuietMachine plain(plainFiles);
  QuietMachine json(jsonFiles);
  char program[] = "tarnwick";
  char jsonOption[] = "--json";
  char* plainArgv[] = {program};
  char* jsonArgv[] = {program, jsonOption};
  std::ostringstream ignored;
  std::ostringstream out;
  ASSERT_EQ(RunFromConsole(plain.Services(), ConsoleOptions{"tarnwick"}, 1, plainArgv, ignored, ignored), 0);
  ASSERT_EQ(RunFromConsole(json.Services(), ConsoleOptions{"tarnwick"}, 2, jsonArgv, out, ignored), 0);
  EXPECT_EQ(plainFiles.files, jsonFiles.files);
  EXPECT_TRUE(out.str().ends_with("\"}\n]\n")) << out.str();
}

TEST(Redaction, TakesOutNameSerialAndInstanceParts) {
  const Redaction redaction("Luc");
  const ReportEntry cases[][2] = {
      {{"User Info", "User Name", "Luc is Administrator"}, {"User Info", "User Name", "<redacted> is Administrator"}},
      {{"User Info", "User Name", "LUC is not Administrator"},
       {"User Info", "User Name", "<redacted> is not Administrator"}},
      // Only whole words: other names that hold it stay.
      {{"Application Info", "C:\\Documents and Settings\\Luc\\Bureau\\tv.exe", "Lucas Lucky luc_x 1.0"},
       {"Application Info", "C:\\Documents and Settings\\<redacted>\\Bureau\\tv.exe", "Lucas Lucky luc_x 1.0"}},
      {{"MB Info", "SerialNumber", "MB-1234567"}, {"MB Info", "SerialNumber", "<redacted>"}},
      {{"MB Info", "serialnumber", ""}, {"MB Info", "serialnumber", ""}},
      {{"MB Info", "Product", "SerialNumber"}, {"MB Info", "Product", "SerialNumber"}},
      {{"System Device Info", "System ID 1", "HID\\VID_845E&PID_0001\\0&0000&0&0"},
       {"System Device Info", "System ID 1", "HID\\VID_845E&PID_0001\\<redacted>"}},
      {{"Media", "DeviceID3", "SYSTEM\\CurrentControlSet\\Enum\\usb\\VID_EB1A&PID_2861\\5&2a3c&0&1 x"},
       {"Media", "DeviceID3", "SYSTEM\\CurrentControlSet\\Enum\\usb\\VID_EB1A&PID_2861\\<redacted>"}},
      // Hardware IDs name no instance; nor does a folder called USB.
      {{"System Device Info", "System ID 2", "USB\\VID_EB1A&PID_2861&REV_0100"},
       {"System Device Info", "System ID 2", "USB\\VID_EB1A&PID_2861&REV_0100"}},
      {{"Application Info", "D:\\MyUSB\\x\\y", "NOUSB\\a\\b"}, {"Application Info", "D:\\MyUSB\\x\\y", "NOUSB\\a\\b"}},
      // Folders of file paths are never taken for instance paths.
      {{"Application Info", "D:\\USB\\Tuner\\DTVR\\ATVR.exe", "x USB\\a\\b"},
       {"Application Info", "D:\\USB\\Tuner\\DTVR\\ATVR.exe", "x USB\\a\\b"}},
  };
  for (const auto& [entry, redacted] : cases) EXPECT_EQ(redaction.Apply(entry), redacted) << entry.value;
  EXPECT_EQ(Redaction("").Apply({"User Info", "User Name", " is Administrator"}).value, " is Administrator");
}

#ifdef TARNWICK_POSIX_FILES
// The shared example with --redact: neither the account's name nor the
// board's serial number reaches the rows, the JSON or the report.
TEST(ConsoleRun, RedactedExampleHoldsNoNameOrSerial) {
  ReplayMachine machine;
  ASSERT_FALSE(LoadMachineFolder(std::string(TARNWICK_EXAMPLES_DIR) + "/xp-desk", machine));
  testing_files::ScratchFolder out;
  ReplayPlatform platform(machine, out.Path());
  ASSERT_FALSE(platform.CreateOutputFolders());
  char program[] = "tarnwick";
  char redact[] = "--redact";
  char json[] = "--json";
  char* argv[] = {program, redact, json};
  std::ostringstream rows;
  std::ostringstream ignored;
  EXPECT_EQ(RunFromConsole(platform.Services(), ConsoleOptions{"tarnwick"}, 3, argv, rows, ignored), 0);
  const auto report = platform.Files().Read(std::string(kReportPath));
  ASSERT_TRUE(report);
  for (const std::string& text : {*report, rows.str()}) {
    EXPECT_EQ(text.find("B\xE9rard"), std::string::npos);
    EXPECT_EQ(text.find("B\xC3\xA9rard"), std::string::npos);
    EXPECT_EQ(text.find("123456789000"), std::string::npos);
  }
  EXPECT_NE(report->find("User Name=<redacted> is not Administrator\r\n"), std::string::npos);
  EXPECT_NE(report->find("SerialNumber=<redacted>\r\n"), std::string::npos);
}
#endif

TEST(ConsoleTable, JsonEscapesAndConvertsTexts) {
  std::ostringstream out;
  PrintRowsJson(out, {{"S\xE9", "k\"\\", "a\nb\r\t\x01\x7F\x80"}});
  EXPECT_EQ(out.str(), "[\n  {\"section\": \"S\xC3\xA9\", \"key\": \"k\\\"\\\\\", \"value\": "
                       "\"a\\nb\\r\\t\\u0001\\u007f\xE2\x82\xAC\"}\n]\n");
  std::ostringstream empty;
  PrintRowsJson(empty, {});
  EXPECT_EQ(empty.str(), "[]\n");
}

}  // namespace
}  // namespace tarnwick
