// The three application-inventory collectors through the replay layer: the
// TV applications, the known files of the uninstall list's folders and the
// Media Center encoder, on machines with their exact expected output.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/console_table.h"
#include "collectors/collectors.h"
#include "platform/replay/windows_path.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;
using testing_support::SectionText;

void CollectApplicationInventory(CollectorContext& context) {
  CollectTvApplications(context);
  CollectInstalledProgramFiles(context);
  CollectMceEncoder(context);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// tests/machines/tv-apps: every TV application row in one of its states
// (files without version, translation or signature, a time stamp gone, two
// rows in one folder, a trailing backslash, install paths of 127 and 128
// characters), uninstall entries without a folder, with an empty one, with
// one named twice, with one too long for some full paths and one whose key
// path is too long, and the encoder pack with three of its files.
TEST(ApplicationInventory, MachineGivesItsExpectedReportAndRows) {
  const std::string machine = std::string(TARNWICK_SOURCE_DIR) + "/tests/machines/tv-apps";
  const auto outcome = RunCollector(CollectApplicationInventory, ReadWhole(machine + "/machine.json"),
                                    ReadWhole(machine + "/registry.reg"));
  EXPECT_EQ(outcome.report, ReadWhole(machine + "/expected/report.ini"));
  EXPECT_EQ(RowsTsv(outcome.rows), ReadWhole(machine + "/expected/rows.tsv"));
}

// Every one of 501 uninstall entries declares a folder with a known file:
// the first 500 are examined, the 501st is not. The encoder pack lacks the
// component its separator follows, and without a system folder the
// DirectShow runtime is not looked for.
TEST(ApplicationInventory, UninstallWalkStopsAtFiveHundredEntries) {
  std::string registry =
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\CyberLink\\MCEEncoder]\n\"InstallPath\"=\"C:\\\\MCE\"\n";
  for (int i = 0; i <= 500; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "%03d", i);
    registry += std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App") +
                name + "]\n\"InstallLocation\"=\"C:\\\\App" + name + "\"\n";
  }
  const auto outcome = RunCollector(CollectApplicationInventory, R"({"files": {
      "C:\\App000\\PDR8.exe": {"version": "1.0.0.0", "modified": "2009-01-02 03:04:05"},
      "C:\\App499\\Device.res": {"version": "1.0.0.499", "modified": "2009-01-02 03:04:05"},
      "C:\\App500\\Device.res": {"version": "1.0.0.500", "modified": "2009-01-02 03:04:05"},
      "C:\\MCE\\CLMP2VMCE.dll": {"version": "1.0.0.2", "modified": "2008-09-02 12:00:00"},
      "C:\\MCE\\CLVidEncMCE.ax": {"version": "1.0.0.3", "modified": "2008-09-03 12:00:00"}}})",
                                    registry);
  EXPECT_EQ(outcome.report,
            "[Application Info]\r\nC:\\App000\\PDR8.exe=1.0.0.0 Date:01/02/09 03:04:05\r\n\r\n"
            "C:\\App499\\Device.res=1.0.0.499 Date:01/02/09 03:04:05\r\n\r\n" +
                SectionText("MCE Encoder Info",
                            {{"CyberLink", "C:\\MCE\\"},
                             {"CLMP2VMCE.dll Version ", "1.0.0.2 Date:09/02/08 12:00:00"},
                             {"CLVidEncMCE.ax Version ", "1.0.0.3 Date:09/03/08 12:00:00"}},
                            0));
  EXPECT_EQ(outcome.rows.size(), 5u);
}

// How the replayed computer resolves the paths the collectors build.
TEST(WindowsPathKey, ResolvesAsWindowsDoes) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"c:\\Apps\\\\tv.EXE", "C:\\APPS\\TV.EXE"},  // a run of backslashes is one
      {"\\Apps/\\tv.exe", "D:\\APPS\\TV.EXE"},     // no drive: the program's drive
      {"\\\\\\Srv\\tv.exe", "\\\\SRV\\TV.EXE"},    // two or more first: a network share
      {"tv.exe", "TV.EXE"}};
  for (const auto& [path, key] : cases) EXPECT_EQ(WindowsPathKey(path, CurrentDrive("D:\\Tarnwick.exe")), key) << path;
  EXPECT_EQ(CurrentDrive("Tarnwick.exe"), 'C');
}

}  // namespace
}  // namespace tarnwick
