// The run's own entries and separators, with every collector writing nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/absent_services.h"
#include "platform/memory_registry.h"
#include "platform/posix/mapped_files.h"

namespace tarnwick {
namespace {

void WritesNothing(CollectorContext&) {}
void ListsNothing(CollectorContext&, std::string_view, const Guid&) {}

const CollectionSteps kSilentSteps{
    std::vector<Collector>(11, WritesNothing), std::vector<Collector>(4, WritesNothing), ListsNothing};

// Counts the category calls and checks that each comes with its label.
int categoryCalls = 0;
void CountCategory(CollectorContext&, std::string_view label, const Guid&) {
  ++categoryCalls;
  EXPECT_EQ(label.back(), ' ');
}

TEST(CollectionRun, WithSilentCollectorsTheReportIsTheVersionAnd23EmptyLines) {
  char folder[] = "/tmp/tarnwick-run-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  ::mkdir((std::string(folder) + "/Tarnwick").c_str(), 0755);
  DriveMap drives;
  drives.Map('C', folder);
  MappedReportFiles files(drives);
  MemoryRegistry registry;
  AbsentSystemFacts system;
  AbsentMemoryPower memory;
  AbsentUserAccounts users;
  AbsentLibraries libraries;
  AbsentDevices devices;
  AbsentWaveOutput wave;
  AbsentWmi wmi;
  AbsentDirectShow directShow;
  AbsentFileVersions versions;
  FixedExecutablePath executable("C:\\Tarnwick\\Tarnwick.exe");
  Platform platform{registry, system, memory, users, libraries, devices, wave, wmi, directShow, versions, executable, files};

  // An earlier report is replaced, not merged into.
  ASSERT_TRUE(files.Append("C:\\SystemInfo.ini", "[Old]\r\nKey=Value\r\n"));
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(platform, rows, diagnostics, kSilentSteps);
  dialog.RunCollection();

  std::string expected = "[Tool Version]\r\nTool Version=2.5\r\n";
  for (int i = 0; i < 23; ++i) expected += "\r\n";
  EXPECT_EQ(files.Read("C:\\SystemInfo.ini"), expected);
  EXPECT_EQ(files.Read("C:\\Tarnwick\\SystemInfo.ini"), expected);
  ASSERT_EQ(rows.Rows().size(), 1u);
  EXPECT_EQ(rows.Rows()[0], (ReportEntry{"Tool Version", "Tool Version", "2.5"}));
  EXPECT_EQ(dialog.rowCount(), 1);
  EXPECT_TRUE(dialog.ReportComplete());

  // Counted afresh, so the test passes repeated and in any order.
  categoryCalls = 0;
  const CollectionSteps counting{kSilentSteps.beforeTunerRelease, kSilentSteps.afterTunerRelease, CountCategory};
  RecordedRows secondRows;
  ReportDialog again(platform, secondRows, diagnostics, counting);
  again.RunCollection();
  EXPECT_EQ(categoryCalls, 22);
  EXPECT_EQ(again.rowCount(), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarnwick
