// Every check of the rules folder with a report that raises it and one that
// does not, each a small edit of a clean report.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "desk/checks.h"
#include "desk/rules.h"
#include "tests/desk_test_reports.h"

namespace tarnwick::desk {
namespace {

using testing::Edited;
using testing::kCleanReport;

struct CheckCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> edits;
  const char* id;
  const char* severity;  // nullptr: the check must stay silent
  bool lfEndings = false;
  bool lineEndsAsWritten = true;
  const char* evidence = nullptr;  // the key of the first entry it rests on, checked when given
};

// The clean report as the Linux program writes it, a tuner that works, with
// the edits of one case applied to its "Linux Tuner Check" after.
std::vector<std::pair<std::string, std::string>> Linux(std::vector<std::pair<std::string, std::string>> edits) {
  edits.insert(edits.begin(),
               {{"[Windows OS]", "[Linux OS]"},
                {"[Filter Name]\n",
                 "[Linux Tuner Check]\nDevice 3 Driver=em28xx\nDevice 3 Firmware 1=a.fw present\n"
                 "Device 3 Node 1=/dev/video0 crw-rw---- group video; user 1000 may read and write: yes\n"
                 "Device 3 USB Speed=480 Mbit/s; built for USB 2.00\n"
                 "Node 1=/dev/video1 crw-rw---- group video; user 1000 may read and write: yes\n\n[Filter Name]\n"}});
  return edits;
}

std::unique_ptr<Checker>& SharedChecker() {
  static std::unique_ptr<Checker> checker = [] {
    RulesOrError rules = LoadRules({TARNWICK_SOURCE_DIR "/desk/rules"});
    std::string error = rules.error;
    auto opened = error.empty() ? Checker::Open(std::move(rules.rules), error) : nullptr;
    EXPECT_EQ(error, "");
    return opened;
  }();
  return checker;
}

class DeskChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(DeskChecks, RaisesOnlyItsCase) {
  const CheckCase& row = GetParam();
  ASSERT_NE(SharedChecker(), nullptr);
  std::string text = Edited(kCleanReport, row.edits);
  if (!row.lfEndings) text = Edited(testing::WithCrLf(text), {{"<LF>", "\n"}});
  const Report report = testing::MustRead(text, row.lineEndsAsWritten);
  const std::vector<Finding> findings = SharedChecker()->RunChecks(report);
  const auto found = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.id == row.id; });
  if (row.severity == nullptr) {
    EXPECT_EQ(found, findings.end()) << found->title;
  } else {
    ASSERT_NE(found, findings.end());
    EXPECT_EQ(found->severity, row.severity);
    EXPECT_FALSE(found->advice.empty());
    if (row.evidence != nullptr) { EXPECT_EQ(found->evidence.at(0).key, row.evidence); }
  }
}

TEST(DeskChecksClean, TheCleanReportRaisesNothing) {
  ASSERT_NE(SharedChecker(), nullptr);
  for (const std::string& text : {std::string(kCleanReport), Edited(kCleanReport, Linux({}))}) {
    const auto findings = SharedChecker()->RunChecks(testing::MustRead(testing::WithCrLf(text)));
    for (const Finding& finding : findings) ADD_FAILURE() << finding.id << ": " << finding.title;
    EXPECT_EQ(findings.size(), 0u);
  }
}

const CheckCase kCases[] = {
    {"RunIncompleteWithoutDirectShowFilters", {{"DirectShow Filters 0=WMAudio Decoder DMO\n", ""}}, "run-incomplete", "problem"},
    {"RunIncompleteNotWhenKeyDiffersInCase", {{"DirectShow Filters 0", "directshow filters 0"}}, "run-incomplete", nullptr},
    {"RunIncompleteNotForLinux", {{"DirectShow Filters 0=WMAudio Decoder DMO\n", ""}, {"[Windows OS]", "[Linux OS]"}},
     "run-incomplete", nullptr},
    {"NotAdministratorInEnglish", {{"is Administrator", "is not Administrator"}, {"00000407", "00000409"}},
     "not-administrator", "warning"},
    {"NotAdministratorTranslatedIsNote", {{"is Administrator", "is not Administrator"}}, "not-administrator", "note"},
    {"NotAdministratorUnknownLocale", {{"is Administrator", "is not Administrator"}, {"00000407", "0000ABCD"}},
     "not-administrator", "warning"},
    {"Administrator", {}, "not-administrator", nullptr},
    {"NoSupportedTuner", {{"Empia ID 3", "Other ID 3"}}, "no-supported-tuner", "problem"},
    {"SupportedTunerLowerCase", {{"Empia ID 3", "EMPIA id 3"}}, "no-supported-tuner", nullptr},
    {"TunerWithEmptyProvider", {{"ProviderName=Tarnwick", "ProviderName= "}}, "tuner-without-driver", "problem"},
    {"TunerWithoutDriverDetails", {{"Empia ID 3_", "Unrelated_"}}, "tuner-without-driver", "problem"},
    {"TunerWithDriver", {}, "tuner-without-driver", nullptr},
    {"Usb2TunerOnUsb11", {{"USB TYPE=2.0", "USB TYPE=1.1"}}, "usb2-tuner-on-usb11", "problem"},
    {"Usb11WithUsb3RootHub", {{"USB TYPE=2.0", "USB TYPE=1.1"}, {"USB\\ROOT_HUB20", "USB\\ROOT_HUB30&VID8086"}},
     "usb2-tuner-on-usb11", nullptr},
    {"PciTunerOnUsb11", {{"USB TYPE=2.0", "USB TYPE=1.1"}, {"=USB\\VID_EB1A&PID_2861", "=PCI\\VEN_1131&DEV_7134"},
                         {"Empia ID", "Philips ID"}},
     "usb2-tuner-on-usb11", nullptr},
    {"NoCaptureFilter", {{"Video Capture Sources 0", "Audio Capture Sources 0"}}, "no-capture-filter", "problem"},
    {"ReceiverComponentIsEnough", {{"Video Capture Sources 0", "RECEIVER COMPONENT 0"}}, "no-capture-filter", nullptr},
    {"NoCaptureFilterNoTuner", {{"Video Capture Sources 0", "Audio Capture Sources 0"}, {"Empia ID 3", "Other ID 3"}},
     "no-capture-filter", nullptr},
    {"EepromVideoStandardError", {{"Video Standard=PAL", "Video Standard=Data Error"}}, "eeprom-unreadable", "problem"},
    {"EepromMceItemError", {{"MCE Item=No", "MCE Item=Data Error"}}, "eeprom-unreadable", "problem"},
    {"EepromReadable", {}, "eeprom-unreadable", nullptr},
    {"MceYesRegistryZero", {{"MCE Item=No", "MCE Item=Yes"}}, "mce-setting-mismatch", "warning"},
    {"MceNoRegistryOne", {{"Reg-MCE=0", "Reg-MCE=1a"}}, "mce-setting-mismatch", "warning"},
    {"MceYesWithoutRegistry", {{"MCE Item=No", "MCE Item=Yes"}, {"Reg-MCE=0\n", ""}}, "mce-setting-mismatch", nullptr},
    {"MceYesRegistryOne", {{"MCE Item=No", "MCE Item=Yes"}, {"Reg-MCE=0", "Reg-MCE=1"}}, "mce-setting-mismatch", nullptr},
    {"NtscInGermany", {{"Video Standard=PAL", "Video Standard=NTSC"}}, "video-standard-region", "warning"},
    {"PalInTheUnitedStates", {{"CountryCode=49", "CountryCode=1"}}, "video-standard-region", "warning"},
    {"NtscInFranceIsSecam", {{"Video Standard=PAL", "Video Standard=NTSC"}, {"CountryCode=49", "CountryCode=33"}},
     "video-standard-region", nullptr},
    {"NtscInBrazilIsPalM", {{"Video Standard=PAL", "Video Standard=NTSC"}, {"CountryCode=49", "CountryCode=55"}},
     "video-standard-region", nullptr},
    {"NtscInUnknownCountry", {{"Video Standard=PAL", "Video Standard=NTSC"}, {"CountryCode=49", "CountryCode=999"}},
     "video-standard-region", nullptr},
    {"DirectX90b", {{"4.09.00.0904", "4.09.00.0902"}}, "old-directx", "warning"},
    {"DirectX81", {{"4.09.00.0904", "4.08.01.0810"}}, "old-directx", "warning"},
    {"DirectX10", {{"4.09.00.0904", "10"}}, "old-directx", nullptr},
    {"DirectXEmpty", {{"4.09.00.0904", ""}}, "old-directx", nullptr},
    {"DirectX90c", {}, "old-directx", nullptr},
    {"MceEncoderMissing", {{"MCE OS=No", "MCE OS=Yes"}, {"MCE Item=No", "MCE Item=Yes"}, {"Reg-MCE=0", "Reg-MCE=1"}},
     "mce-encoder-missing", "warning"},
    {"MceEncoderInstalled", {{"MCE OS=No", "MCE OS=Yes"}, {"MCE Item=No", "MCE Item=Yes"}, {"[Filter Name]", "[MCE Encoder Info]\nCyberLink=C:\\MCE\\\n[Filter Name]"}},
     "mce-encoder-missing", nullptr},
    {"MceEncoderNotNeededWithoutMceOs", {{"MCE Item=No", "MCE Item=Yes"}}, "mce-encoder-missing", nullptr},
    {"EditedLineEnds", {}, "report-edited", "note", true},
    {"EditedStrayLine", {{"[Memory]\n", "[Memory]\nhello there\n"}}, "report-edited", "note"},
    {"LineEndsOfATextPartProveNothing", {}, "report-edited", nullptr, true, false},
    {"EditionNameEndingInALineFeed", {{"Professional \n", "Millennium Edition<LF>\n"}}, "report-edited", nullptr},
    {"OneLineEndedInLf", {{"2800+\n", "2800+<LF>"}}, "report-edited", "note"},
    {"LinuxNoModuleInThisKernel", Linux({{"Driver=em28xx", "Driver=none\nDevice 3 Module=none"}}), "linux-no-driver",
     "problem"},
    {"WindowsReportWithALinuxSection", Linux({{"[Linux OS]", "[Windows OS]"}, {"Driver=em28xx", "Driver=none"}}),
     "linux-no-driver", nullptr},
    {"LinuxFirmwareMissing", Linux({{"a.fw present", "dvb-fe.fw missing"}}), "linux-firmware-missing", "warning"},
    {"LinuxFirmwareAlternativePresent", Linux({{"a.fw present", "a.fw present\nDevice 3 Firmware 2=b.fw missing"}}),
     "linux-firmware-missing", "note", false, true, "Device 3 Firmware 2"},
    {"LinuxFirmwareOfAnotherDevicePresent", Linux({{"a.fw present", "a.fw missing\nDevice 4 Firmware 1=b.fw present"}}),
     "linux-firmware-missing", "warning"},
    {"LinuxFirmwareNamedMissing", Linux({{"a.fw present", "missing.fw present"}}), "linux-firmware-missing", nullptr},
    {"LinuxTunerNodeRefused", Linux({{"write: yes", "write: no"}}), "linux-node-access", "problem"},
    {"LinuxOtherNodeRefusedIsWarning", Linux({{"write: yes\n\n", "write: no\n\n"}}), "linux-node-access", "warning"},
    {"LinuxUsb2TunerAtFullSpeed",
     Linux({{"480 Mbit/s", "12 Mbit/s"}, {"USB 2.00", "USB 2.00; slower than it is built for"}}), "linux-usb-speed",
     "problem"},
    {"LinuxUsb3TunerAtHighSpeedIsWarning", Linux({{"USB 2.00", "USB 3.00; slower than it is built for"}}),
     "linux-usb-speed", "warning"},
    {"LinuxUsb1TunerAtFullSpeed", Linux({{"480 Mbit/s", "12 Mbit/s"}, {"USB 2.00", "USB 1.10"}}), "linux-usb-speed",
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Table, DeskChecks, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::desk
