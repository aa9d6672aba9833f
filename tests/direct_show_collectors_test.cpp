// Tuning spaces, filter categories and the tuner's settings through the
// replay layer, and COM kept balanced over a whole run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "collectors/collectors.h"
#include "collectors/tuner/tuner_device_access.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;
using testing_support::SectionText;
using testing_support::Entries;
using testing_support::KeysAndValues;

// ---- Tuning spaces ----

std::string TuningSpace(std::string_view name, std::string_view values) {
  return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tuning Spaces\\" + std::string(name) + "]\n" + std::string(values);
}

struct TuningSpacesCase {
  const char* name;
  std::string registry;
  Entries entries;
};

class TuningSpaces : public testing::TestWithParam<TuningSpacesCase> {};

TEST_P(TuningSpaces, OneEntryPerSpaceUnlessEqualToThePrevious) {
  const auto outcome = RunCollector(CollectTuningSpaces, "{}", "REGEDIT4\n" + GetParam().registry);
  // The group separator is written with or without entries.
  EXPECT_EQ(outcome.report, GetParam().entries.empty() ? std::string("\r\n")
                                                       : SectionText("TuningSpaces", GetParam().entries, 1));
}

// 101 spaces, of which the first 100 are listed.
TuningSpacesCase HundredAndOne() {
  TuningSpacesCase c{"atMostAHundred", "", {}};
  for (int i = 0; i < 101; ++i) {
    const std::string name = "S" + std::to_string(1000 + i).substr(1);
    c.registry += TuningSpace(name, "\"Name\"=\"" + name + "\"\n");
    if (i < 100) c.entries.emplace_back("Description" + std::to_string(i + 1), "========" + name);
  }
  return c;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, TuningSpaces,
    testing::Values(
        // Subkeys enumerate by their lower-case names; the second equals the
        // first but for letter case, so its number is left unused.
        TuningSpacesCase{"adjacentDuplicateLeavesAGap",
                         TuningSpace("b", "\"Description\"=\"ATSC TV\"\n\"Name\"=\"atsc\"\n") +
                             TuningSpace("A", "\"Description\"=\"Atsc tv\"\n\"Name\"=\"ATSC\"\n") +
                             TuningSpace("c", "\"Description\"=\"Cable\"\n\"Name\"=\"Cable\"\n") +
                             TuningSpace("d", "\"Description\"=\"Atsc tv\"\n\"Name\"=\"ATSC\"\n"),
                         {{"Description1", "Atsc tv========ATSC"},
                          {"Description3", "Cable========Cable"},
                          {"Description4", "Atsc tv========ATSC"}}},
        TuningSpacesCase{"missingValuesAreEmpty",
                         TuningSpace("DVB-T", "\"Description\"=\"Digital Antenna\"\n") + TuningSpace("Empty", ""),
                         {{"Description1", "Digital Antenna========"}, {"Description2", "========"}}},
        TuningSpacesCase{"noKeyOnlyTheSeparator", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n", {}},
        HundredAndOne()),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Filter categories ----

const Guid kAudioRenderers = *ParseGuid("{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}");
const Guid kMidiRenderers = *ParseGuid("{4EFE2452-168A-11D1-BC76-00C04FB9453B}");
const Guid kVideoCapture = kTunerCategories[0];

TEST(CollectFilterCategory, NamedFiltersNumberedWithoutGapsAndLongNamesCut) {
  const std::string name80(80, 'x');
  const std::string name200 = "Long " + std::string(195, 'y');
  const std::string machine = R"({"directShow": {
      "{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}": [
        {"friendlyName": "Speakers"}, {}, {"friendlyName": "Speakers"},
        {"friendlyName": "Hidden", "storageFails": true},
        {"friendlyName": ")" + name80 + R"("}, {"friendlyName": ")" + name200 + R"("}],
      "{4EFE2452-168A-11D1-BC76-00C04FB9453B}": [{"friendlyName": "Synth \u00e9"}]}})";
  const auto outcome = RunCollector(
      [](CollectorContext& context) {
        CollectFilterCategory(context, "Audio Renderers ", kAudioRenderers);
        CollectFilterCategory(context, "Video Capture Sources ", kVideoCapture);  // not listed: S_FALSE
        CollectFilterCategory(context, "Midi Renderers ", kMidiRenderers);
      },
      machine);
  EXPECT_EQ(outcome.report, SectionText("Filter Name",
                                        {{"Audio Renderers 0", "Speakers"},
                                         {"Audio Renderers 1", "Speakers"},
                                         {"Audio Renderers 2", name80.substr(0, 79)},
                                         {"Audio Renderers 3", name200.substr(0, 79)},
                                         {"Midi Renderers 0", "Synth \xE9"}},
                                        0));
}

// A category that never ends is read up to its bound.
TEST(CollectFilterCategory, TakesAtMostTheBoundOfMonikers) {
  std::string monikers;
  for (int i = 0; i <= kMostMonikersPerCategory; ++i) monikers += std::string(i ? "," : "") + R"({"friendlyName": "F"})";
  const auto outcome = RunCollector(
      [](CollectorContext& context) { CollectFilterCategory(context, "Audio Renderers ", kAudioRenderers); },
      R"({"directShow": {"{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}": [)" + monikers + "]}}");
  ASSERT_EQ(outcome.rows.size(), static_cast<std::size_t>(kMostMonikersPerCategory));
  EXPECT_EQ(outcome.rows.back().key, "Audio Renderers " + std::to_string(kMostMonikersPerCategory - 1));
}

// ---- The tuner's settings ----

// 60 bytes of configuration memory, zero but for the two settings.
std::string Eeprom(std::string_view at22, std::string_view at56) {
  std::string text;
  for (int i = 0; i < 22; ++i) text += "00 ";
  text.append(at22).append(" ");
  for (int i = 26; i < 56; ++i) text += "00 ";
  return text.append(at56);
}

std::string Device(std::string_view name, std::string_view more = "") {
  return R"({"friendlyName": ")" + std::string(name) + "\"" + std::string(more) + "}";
}

std::string Bus(std::string_view eeprom, std::string_view failOffsets = "[]") {
  return R"(, "tunerBus": {"eeprom": ")" + std::string(eeprom) + R"(", "failOffsets": )" + std::string(failOffsets) +
         "}";
}

const std::string kYesPal = Bus(Eeprom("01 00 00 00", "10 FF FF FF"));
const std::string kNoNtsc = Bus(Eeprom("00 00 00 00", "01 00 00 00"));

std::string Devices(std::string_view capture, std::string_view receiver = "") {
  return R"({"directShow": {"{860BB310-5D01-11D0-BD3B-00A0C911CE86}": [)" + std::string(capture) +
         R"(], "{FD0A5AF4-B41D-11D2-9C95-00C04F7971E0}": [)" + std::string(receiver) + "]}}";
}

std::string DriverNames(std::string_view values) {
  return "[HKEY_LOCAL_MACHINE\\Software\\USB2800\\BDA]\n" + std::string(values);
}

std::string IsMce(std::string_view data) {
  return "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\USB28xxBGA\\Settings\\OEM]\n\"IsMCE\"=" +
         std::string(data) + "\n";
}

struct TunerCase {
  const char* name;
  std::string machine;
  std::string registry;
  Entries entries;  // none: no section
};

class TunerSettings : public testing::TestWithParam<TunerCase> {};

TEST_P(TunerSettings, FoundDeviceWritesItsSettings) {
  const auto outcome = RunCollector(CollectTunerSettings, GetParam().machine, "REGEDIT4\n" + GetParam().registry);
  EXPECT_EQ(KeysAndValues(outcome.rows), GetParam().entries);
  for (const auto& row : outcome.rows) EXPECT_EQ(row.section, "Empia Data");
}

const Entries kYesPalEntries{{"MCE Item", "Yes"}, {"Video Standard", "PAL"}};

INSTANTIATE_TEST_SUITE_P(
    Devices, TunerSettings,
    testing::Values(
        TunerCase{"registryNameWithInstanceNumber", Devices(Device("USB 2861 Device #3", kYesPal)),
                  DriverNames("\"RealDSName\"=\"USB 2861 Device\"\n") + IsMce("dword:00000000"),
                  {{"MCE Item", "Yes"}, {"Video Standard", "PAL"}, {"Reg-MCE", "0"}}},
        TunerCase{"fallbackListAfterAnUnpluggedName",
                  Devices(Device("USB Camera", kYesPal) + "," + Device("USB 2863 Device", kNoNtsc)),
                  DriverNames("\"DSName\"=\"USB 2999 Device\"\n") + IsMce("dword:0000001a"),
                  {{"MCE Item", "No"}, {"Video Standard", "NTSC"}, {"Reg-MCE", "1a"}}},
        TunerCase{"emptyRegistryNameMatchesNothing", Devices(Device("Webcam") + "," + Device("USB 2900 Device", kYesPal)),
                  DriverNames("\"RealDSName\"=\"\"\n\"DSName\"=\"USB 2900 Device\"\n"), kYesPalEntries},
        TunerCase{"captureWinsOverReceiver", Devices(Device("USB 2880 Device", kYesPal), Device("USB 2880 Device", kNoNtsc)),
                  "", kYesPalEntries},
        TunerCase{"capturePrefixMatchShadowsReceiver", Devices(Device("USB 2880 Device Audio"), Device("USB 2880 Device", kYesPal)),
                  "", {}},
        TunerCase{"receiverComponent", Devices("", Device("USB 2882 Device", kYesPal)), "", kYesPalEntries},
        TunerCase{"unboundMatchIsPassedOver",
                  Devices(Device("USB 2880 Device", R"(, "objectFails": true)" + kNoNtsc) + "," +
                          Device("USB 2880 Device #2", kYesPal)),
                  "", kYesPalEntries},
        TunerCase{"noPrivateInterfaceNoOtherDeviceTried",
                  Devices(Device("USB 2880 Device") + "," + Device("USB 2880 Device #2", kYesPal)), "", {}},
        TunerCase{"nameComparedWithLetterCase", Devices(Device("usb 2880 device", kYesPal)), "", {}},
        TunerCase{"allFourBytesCountAndNegativeIsMce", Devices(Device("USB 2880 Device", Bus(Eeprom("01 00 00 01", "00 10 00 00")))),
                  IsMce("dword:ffffffff"),
                  {{"MCE Item", "Data Error"}, {"Video Standard", "Data Error"}, {"Reg-MCE", "ffffffff"}}},
        TunerCase{"failedReadsAndNoIsMce", Devices(Device("USB 2880 Device", Bus(Eeprom("01 00 00 00", "10 00 00 00"), "[22, 56]"))),
                  "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\USB28xxBGA\\Settings\\OEM]\n",
                  {{"MCE Item", "Data Error"}, {"Video Standard", "Data Error"}}},
        TunerCase{"memoryEndsBeforeTheStandard", Devices(Device("USB 2880 Device", Bus("00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00"))),
                  "", {{"MCE Item", "Yes"}, {"Video Standard", "Data Error"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- COM balance over a whole run ----

// A layer's DirectShow devices whose COM initialisation answers as told and
// is counted, with the category enumerations.
class CountingDirectShow final : public DirectShowDevices {
 public:
  CountingDirectShow(DirectShowDevices& inner, std::int32_t answer) : inner_(inner), answer_(answer) {}
  std::int32_t ComInitialize() override {
    ++initialisations;
    depth += Succeeded(answer_) ? 1 : 0;
    return answer_;
  }
  void ComUninitialize() override {
    ++uninitialisations;
    lowestDepth = std::min(lowestDepth, --depth);
  }
  Result<std::unique_ptr<MonikerEnumerator>> EnumerateCategory(const Guid& category) override {
    ++enumerations;
    return inner_.EnumerateCategory(category);
  }
  int initialisations = 0, uninitialisations = 0, depth = 0, lowestDepth = 0, enumerations = 0;

 private:
  DirectShowDevices& inner_;
  std::int32_t answer_;
};

const std::string kTunerStick = std::string(TARNWICK_SOURCE_DIR) + "/tests/machines/tuner-stick";
const std::string kXpDesk = std::string(TARNWICK_EXAMPLES_DIR) + "/xp-desk";

TEST(ComBalance, EveryInitialisationIsUndoneOverAWholeRun) {
  struct Case {
    std::string machine;
    std::int32_t answer;
    int uninitialisations, enumerations;
  };
  const std::int32_t changedMode = static_cast<std::int32_t>(0x80010106);  // RPC_E_CHANGED_MODE
  // Without a tuner every name is searched in both categories: the default
  // name, then the 17 of the list; the stick is found in the first.
  // The run holds one more over the 22 category steps.
  for (const Case& c : {Case{kTunerStick, kStatusOk, 24, 1 + 22}, Case{kXpDesk, kStatusOk, 24, 2 * 18 + 22},
                        Case{kXpDesk, kStatusFalse, 24, 2 * 18 + 22}, Case{kTunerStick, changedMode, 0, 1 + 22}}) {
    ReplayMachine machine;
    ASSERT_FALSE(LoadMachineFolder(c.machine, machine));
    std::string out = (std::filesystem::temp_directory_path() / "tarnwick-com-XXXXXX").string();
    ASSERT_NE(::mkdtemp(out.data()), nullptr);
    ReplayPlatform replay(machine, out);
    ASSERT_FALSE(replay.CreateOutputFolders());
    Platform& s = replay.Services();
    CountingDirectShow com(s.directShow, c.answer);
    Platform platform{s.registry,   s.system, s.memoryPower, s.users,        s.libraries,  s.devices,
                      s.waveOutput, s.wmi,    com,           s.fileVersions, s.executable, s.files};
    RecordedRows rows;
    std::ostringstream diagnostics;
    ReportDialog(platform, rows, diagnostics).RunCollection();
    std::filesystem::remove_all(out);

    EXPECT_EQ(com.initialisations, 24) << c.machine;
    EXPECT_EQ(com.uninitialisations, c.uninitialisations) << c.machine;
    EXPECT_EQ(com.lowestDepth, 0) << c.machine;
    EXPECT_EQ(com.depth, 0) << c.machine;
    EXPECT_EQ(com.enumerations, c.enumerations) << c.machine;
    std::cout << c.machine.substr(c.machine.rfind('/') + 1) << ", CoInitialize answering " << c.answer << ": "
              << com.initialisations << " initialisations, " << com.uninitialisations << " uninitialisations, balance "
              << com.depth << "\n";
  }
}

TEST(TunerDeviceAccess, ReadsClearTheResultAndStayWithinIt) {
  ReplayMachine machine;
  ASSERT_FALSE(LoadMachineFolder(kTunerStick, machine));
  ReplayPlatform replay(machine, "/nonexistent/out");
  RegistryAccess registry(replay.Services().registry);
  TunerDeviceAccess tuner(replay.Services().directShow, registry, true);
  std::uint32_t result = 0xDEADBEEF;
  EXPECT_EQ(tuner.ReadBus(0xA0, 22, 4, result), kNoTunerControl);
  EXPECT_EQ(result, 0u);
  ASSERT_TRUE(tuner.Open());
  ASSERT_EQ(tuner.ReadBus(0xA0, 22, 4, result), kStatusOk);
  EXPECT_EQ(result, 1u);
  EXPECT_EQ(tuner.ReadBus(0xA0, 23, 0, result), kStatusOk);  // a read of no bytes leaves nothing behind
  EXPECT_EQ(result, 0u);
  result = 7;
  EXPECT_LT(tuner.ReadBus(0xA0, 0, 5, result), 0);  // more than the buffer holds
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(tuner.LastStatus(), static_cast<std::int32_t>(0x80070057));
  tuner.Release();
  EXPECT_FALSE(tuner.HoldsControl());
  EXPECT_EQ(tuner.ReadBus(0xA0, 22, 4, result), kNoTunerControl);
}

}  // namespace
}  // namespace tarnwick
