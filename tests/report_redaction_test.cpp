// --redact by meaning: what names the customer goes, the desk's facts stay.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/case_names.h"
#include "app/report_dialog.h"
#include "app/report_redaction.h"
#include "app/result_list.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_platform.h"
#include "tests/report_test_files.h"

namespace tarnwick {
namespace {

struct RedactCase {
  const char* name;
  const char* user;
  ReportEntry entry;
  ReportEntry redacted;
};

class RedactByMeaning : public testing::TestWithParam<RedactCase> {};

TEST_P(RedactByMeaning, OnlyWhatNamesTheCustomer) {
  const RedactCase& c = GetParam();
  RedactionFacts facts;
  facts.userName = c.user;
  facts.computerName = "LUC-PC";
  facts.profileRoots.push_back("?:\\Profile Folders");  // the folder Windows reports
  EXPECT_EQ(Redaction(facts).Apply(c.entry), c.redacted);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Entries, RedactByMeaning, testing::Values(
    RedactCase{"accountNamedAdministrator", "Administrator",
               {"User Info", "User Name", "Administrator is Administrator"},
               {"User Info", "User Name", "<redacted> is Administrator"}},
    RedactCase{"userMediaKeepsFilterNames", "Media",
               {"Filter Name", "Video Capture Sources 1", "Windows Media Video Capture"},
               {"Filter Name", "Video Capture Sources 1", "Windows Media Video Capture"}},
    RedactCase{"userTvKeepsApplicationKeys", "TV",
               {"Application Info", "TV Center", "C:\\Program Files\\TV\\tv.exe 1.0"},
               {"Application Info", "TV Center", "C:\\Program Files\\TV\\tv.exe 1.0"}},
    RedactCase{"userRootKeepsEnumerator", "root",
               {"System Device Info", "System ID 2", "ROOT\\winebus"},
               {"System Device Info", "System ID 2", "ROOT\\winebus"}},
    RedactCase{"userPciKeepsHardwareIds", "PCI",
               {"System Device Info", "System ID 3", "PCI\\VEN_1106&DEV_3059&SUBSYS_81611043&REV_60"},
               {"System Device Info", "System ID 3", "PCI\\VEN_1106&DEV_3059&SUBSYS_81611043&REV_60"}},
    RedactCase{"domainProfileFolder", "luc",
               {"Application Info", "C:\\Documents and Settings\\luc.MYDOMAIN\\Bureau\\tv.exe", "1.0"},
               {"Application Info", "C:\\Documents and Settings\\<redacted>\\Bureau\\tv.exe", "1.0"}},
    RedactCase{"numberedProfileFolderInValue", "luc",
               {"Application Info", "Recorder", "d:\\users\\luc.000\\AppData\\rec.exe 2.0"},
               {"Application Info", "Recorder", "d:\\users\\<redacted>\\AppData\\rec.exe 2.0"}},
    RedactCase{"anotherAccountsProfile", "luc",
               {"Application Info", "C:\\Users\\Administrator\\tv.exe", "1.0"},
               {"Application Info", "C:\\Users\\<redacted>\\tv.exe", "1.0"}},
    RedactCase{"reportedProfilesFolder", "luc",
               {"Application Info", "E:\\Profile Folders\\Jean Dupont\\tv.exe", "1.0"},
               {"Application Info", "E:\\Profile Folders\\<redacted>\\tv.exe", "1.0"}},
    RedactCase{"sharedProfileStays", "Public",
               {"Application Info", "C:\\Users\\Public\\Documents\\tv.exe", "1.0"},
               {"Application Info", "C:\\Users\\Public\\Documents\\tv.exe", "1.0"}},
    RedactCase{"computerNameAsValue", "luc",
               {"MB Info", "__SERVER", "LUC-PC"},
               {"MB Info", "__SERVER", "<redacted>"}},
    RedactCase{"computerNameInWmiPath", "luc",
               {"MB Info", "__PATH", "\\\\luc-pc\\root\\cimv2:Win32_BaseBoard.Tag=\"Base Board\""},
               {"MB Info", "__PATH", "\\\\<redacted>\\root\\cimv2:Win32_BaseBoard.Tag=\"Base Board\""}},
    RedactCase{"instancePartWithBlank", "luc",
               {"System Device Info", "System ID 4", "USB\\VID_EB1A&PID_2861\\SERIAL 1234"},
               {"System Device Info", "System ID 4", "USB\\VID_EB1A&PID_2861\\<redacted>"}},
    RedactCase{"instancePartBelowEnum", "luc",
               {"Media", "DeviceID3", "SYSTEM\\CurrentControlSet\\Enum\\usb\\VID_EB1A&PID_2861\\5&2a3c&0&1 x"},
               {"Media", "DeviceID3", "SYSTEM\\CurrentControlSet\\Enum\\usb\\VID_EB1A&PID_2861\\<redacted>"}}
), CaseName());
// clang-format on

// --verbose: the run's diagnostics go through the same redaction, the
// account's own group and the computer's name included; the profiles folder
// that the registry reports counts too.
TEST(RedactedRun, DiagnosticsAndEntriesAlike) {
  testing_files::ScratchFolder folder;
  std::ofstream(folder.Host("machine.json"), std::ios::binary)
      << R"({"computerName": "LUC-PC", "user": {"name": "luc", "groups": ["Users", "luc", "LUC-PC\\Helpdesk"]}})";
  std::ofstream(folder.Host("registry.reg"), std::ios::binary)
      << "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList]\r\n"
         "\"ProfilesDirectory\"=\"%SystemDrive%\\\\Konten\"\r\n";
  ReplayMachine machine;
  ASSERT_FALSE(LoadMachineFolder(folder.Path(), machine));
  ReplayPlatform platform(machine, folder.Host("out"));
  ASSERT_FALSE(platform.CreateOutputFolders());
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportPlacement placement;
  placement.redact = true;
  ReportDialog dialog(platform.Services(), rows, diagnostics, StandardCollectionSteps(), placement);
  dialog.RunCollection();
  EXPECT_NE(diagnostics.str().find("\t-- Users\n\t-- <redacted>\n\t-- <redacted>\\Helpdesk\n"), std::string::npos)
      << diagnostics.str();
  ASSERT_GE(rows.Rows().size(), 2u);
  EXPECT_EQ(rows.Rows()[1], (ReportEntry{"User Info", "User Name", "<redacted> is not Administrator"}));
  const Redaction redaction(GatherRedactionFacts(platform.Services()));
  EXPECT_EQ(redaction.RedactLine("C:\\Konten\\Anna\\x.exe"), "C:\\Konten\\<redacted>\\x.exe");
}

}  // namespace
}  // namespace tarnwick
