// The display adapter, audio device and motherboard collectors through the
// replay layer, and the manufacturer table.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "collectors/collectors.h"
#include "collectors/devices/manufacturer_name.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;
using testing_support::SectionText;
using testing_support::Entries;
using namespace std::string_view_literals;

std::string Key(const std::string& path) { return "\n[HKEY_LOCAL_MACHINE\\" + path + "]\n"; }
std::string Text(const std::string& name, const std::string& value) {
  std::string escaped;
  for (const char c : value) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return "\"" + name + "\"=\"" + escaped + "\"\n";
}
std::string Count(int count) {
  char text[40];
  std::snprintf(text, sizeof text, "\"Count\"=dword:%08x\n", static_cast<unsigned>(count));
  return text;
}
std::string Bytes(const std::string& name, const std::string& bytes) {
  std::string line = "\"" + name + "\"=hex(7):";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02x", i == 0 ? "" : ",", static_cast<unsigned char>(bytes[i]));
    line += hex;
  }
  return line + "\n";
}

const std::string kPci = R"(SYSTEM\CurrentControlSet\Enum\PCI\)";
const std::string kDisplayClass = R"(SYSTEM\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\)";

// A PCI instance and the service it names, with that service's count.
std::string Instance(const std::string& device, const std::string& instance, const std::string& setupClass,
                     const std::string& service, int count, const std::string& driver) {
  return Key(kPci + device + "\\" + instance) + Text("Class", setupClass) + Text("Service", service) +
         Text("Driver", driver) + Key(R"(SYSTEM\CurrentControlSet\Services\)" + service + "\\Enum") + Count(count);
}

std::string DriverKey(const std::string& number, const std::string& provider, const std::string& description) {
  return Key(kDisplayClass + number) + Text("ProviderName", provider) + Text("DriverDesc", description) +
         Text("DriverVersion", "6.14.10." + number) + Text("DriverDate", "6-4-2007");
}

std::string Bios(const std::string& bytes) {
  return Key(R"(HARDWARE\DESCRIPTION\System)") + Bytes("VideoBiosVersion", bytes);
}

// n PCI devices that are no display adapters, named so that they enumerate
// before "VEN_FFFF".
std::string OtherDevices(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    char device[32];
    std::snprintf(device, sizeof device, "VEN_8086&DEV_%04d", i);
    text += Instance(device, "00", "System", "pci", 1, "");
  }
  return text;
}

const std::string kDriver = R"({4D36E968-E325-11CE-BFC1-08002BE10318}\)";
const std::string kNvidia = Instance("VEN_FFFF&DEV_0322", "00", "Display", "nv", 1, kDriver + "0001") +
                            DriverKey("0001", "NVIDIA", "NVIDIA GeForce FX 5200");
const Entries kNvidiaEntries = {
    {"ProviderName", "NVIDIA"}, {"DeviceName", "NVIDIA GeForce FX 5200"}, {"Driver Version", "6.14.10.0001"},
    {"DriverDate", "6-4-2007"}, {"BiosVersion", ""}};
const Entries kNoAdapter = {
    {"ProviderName", ""}, {"DeviceName", ""}, {"Driver Version", ""}, {"DriverDate", ""}, {"BiosVersion", ""}};

Entries WithBios(Entries entries, const std::string& bios) {
  entries.back().second = bios;
  return entries;
}

struct DisplayCase {
  const char* name;
  std::string registry;
  Entries entries;
};

class CollectDisplayAdapterCases : public testing::TestWithParam<DisplayCase> {};

TEST_P(CollectDisplayAdapterCases, FirstRunningPciDisplayInstanceAndTheFirstBiosLine) {
  const auto& c = GetParam();
  const auto outcome = RunCollector(CollectDisplayAdapter, "{}", "REGEDIT4\n" + c.registry);
  EXPECT_EQ(outcome.report, SectionText("VGA", c.entries, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Display, CollectDisplayAdapterCases,
    testing::Values(
        // Passed over in turn: a device of another class, an idle service, a
        // count of -1, an instance without service; then the adapter, and a
        // second adapter that is never reached. Only the BIOS's first line.
        DisplayCase{"FirstOfTwoAfterIdleInstances",
                    Instance("VEN_1002&DEV_0001", "00", "Net", "net", 1, "") +
                        Instance("VEN_1002&DEV_5960", "00", "DISPLAY", "idle", 0, R"(x\0000)") +
                        Instance("VEN_1002&DEV_5960", "01", "display", "negative", -1, R"(x\0000)") +
                        Key(kPci + R"(VEN_1002&DEV_5960\02)") + Text("Class", "Display") + kNvidia +
                        Instance("VEN_FFFF&DEV_FFFF", "00", "Display", "second", 1, kDriver + "0002") +
                        DriverKey("0002", "Intel", "Second adapter") +
                        Bios(std::string("NV34 BIOS\0Version 4.34\0Third\0\0"sv)),
                    WithBios(kNvidiaEntries, "NV34 BIOS")},
        DisplayCase{"LowerCaseClassRuns",
                    Instance("VEN_1002&DEV_5960", "00", "display", "ati", 2, kDriver + "0003") +
                        DriverKey("0003", "ATI", "RADEON 9200"),
                    {{"ProviderName", "ATI"}, {"DeviceName", "RADEON 9200"}, {"Driver Version", "6.14.10.0003"},
                     {"DriverDate", "6-4-2007"}, {"BiosVersion", ""}}},
        DisplayCase{"AdapterWithoutDriverValue", Instance("VEN_1002&DEV_5960", "00", "Display", "ati", 1, "") + kNvidia,
                    kNoAdapter},
        DisplayCase{"NotOnPciBiosStillRead",
                    Key(R"(SYSTEM\CurrentControlSet\Enum\ROOT\DISPLAY\0000)") + Text("Class", "Display") +
                        Bios(std::string("VGA BIOS 1.0\0\0"sv)),
                    WithBios(kNoAdapter, "VGA BIOS 1.0")},
        DisplayCase{"FiftiethDeviceSearched", OtherDevices(49) + kNvidia, kNvidiaEntries},
        DisplayCase{"FiftyFirstDeviceNot", OtherDevices(50) + kNvidia, kNoAdapter},
        // Paths that would not fit 259 characters: the device, the service
        // key and the driver key; each is passed over for the next.
        DisplayCase{"OverLongPathsPassedOver",
                    Instance("VEN_1000&" + std::string(230, 'D'), "00", "Display", "ok", 1, "x") +
                        Instance("VEN_1002&DEV_0001", "00", "Display", std::string(225, 's'), 1, "x") +
                        Instance("VEN_1002&DEV_0001", "01", "Display", "ok", 1, std::string(221, 'd')) + kNvidia,
                    kNvidiaEntries},
        DisplayCase{"Bios1024BytesFirstLineCut", Bios(std::string(1023, 'b') + '\0'),
                    WithBios(kNoAdapter, std::string(259, 'b'))},
        DisplayCase{"Bios1025BytesEmpty", Bios("short" + std::string(1020, '\0')), kNoAdapter},
        DisplayCase{"BiosWithoutZero", Bios("Phoenix"), WithBios(kNoAdapter, "Phoenix")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ManufacturerName, TableIdsAndUnknownOnes) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {
      {1, "Microsoft Corporation"}, {2, "Creative Labs, Inc"},   {56, "Audio Processing Technology"},
      {74, "Audio Processing Technology"}, {81, "Ing C. Olivetti & C., S.p.A."}, {106, "ISOLUTION  B.V."},
      {126, "///FAST Multimedia AG"}, {164, "S3"}, {172, "Fraunhofer"}, {0x10001, "Microsoft Corporation"},
      {0, "Unknown"}, {5, "Unknown"}, {19, "Unknown"}, {75, "Unknown"}, {123, "Unknown"}, {165, "Unknown"},
      {171, "Unknown"}, {173, "Unknown"}, {65535, "Unknown"}};
  for (const auto& [id, name] : cases) EXPECT_EQ(ManufacturerName(id), name) << id;
  int named = 0;
  for (std::uint32_t id = 0; id <= 0xFFFF; ++id) named += ManufacturerName(id) != "Unknown" ? 1 : 0;
  EXPECT_EQ(named, 143);
}

struct AudioCase {
  const char* name;
  std::string machine;
  Entries entries;  // none: no section and no separator
};

class CollectAudioDeviceCases : public testing::TestWithParam<AudioCase> {};

TEST_P(CollectAudioDeviceCases, DeviceZeroOnly) {
  const auto& c = GetParam();
  const auto outcome = RunCollector(CollectAudioDevice, c.machine);
  EXPECT_EQ(outcome.report, c.entries.empty() ? "" : SectionText("Audio", c.entries, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Audio, CollectAudioDeviceCases,
    testing::Values(
        AudioCase{"FirstOfSeveral",
                  R"({"waveOut": [{"name": "SB Audigy", "manufacturerId": 172, "support": 4},
                                  {"name": "USB Audio", "manufacturerId": 1, "support": 12}]})",
                  {{"ProductName", "SB Audigy"}, {"CompanyName", "Fraunhofer"}, {"HasVolCtrl", "1"},
                   {"HasSeparateLRVolCtrl", "0"}}},
        AudioCase{"UnknownIdOnlyLeftRightFlag",
                  R"({"waveOut": [{"name": "0123456789012345678901234567890", "manufacturerId": 70, "support": 8}]})",
                  {{"ProductName", "0123456789012345678901234567890"}, {"CompanyName", "Unknown"},
                   {"HasVolCtrl", "0"}, {"HasSeparateLRVolCtrl", "1"}}},
        AudioCase{"NoFlagsAmongOthers", R"({"waveOut": [{"name": "Modem", "manufacturerId": 56, "support": 3}]})",
                  {{"ProductName", "Modem"}, {"CompanyName", "Audio Processing Technology"}, {"HasVolCtrl", "0"},
                   {"HasSeparateLRVolCtrl", "0"}}},
        AudioCase{"NoDevice", "{}", {}},
        AudioCase{"DeviceZeroFails", R"({"waveOut": [{"capsFail": true}, {"name": "USB Audio"}]})", {}}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kSystemClass = R"(SYSTEM\CurrentControlSet\Control\Class\{4D36E97D-E325-11CE-BFC1-08002BE10318})";

std::string SystemDriver(const std::string& subkey, const std::string& description, const std::string& date) {
  return Key(kSystemClass + "\\" + subkey) + (description.empty() ? "" : Text("DriverDesc", description)) +
         (date.empty() ? "" : Text("DriverDate", date));
}

TEST(CollectMotherboard, SystemDriversSkipOnlyTheRepeatOfThePreviousOne) {
  const std::string registry = "REGEDIT4\n" + SystemDriver("0000", "PCI bus", "7-1-2001") +
                               SystemDriver("0001", "pci BUS", "7-1-2001") +
                               SystemDriver("0002", "System timer", "7-1-2001") +
                               SystemDriver("0003", "PCI bus", "7-1-2001") + SystemDriver("0004", "", "") +
                               SystemDriver("0005", "", "") + SystemDriver("0006", "", "1-1-2006");
  const auto outcome = RunCollector(CollectMotherboard, R"({"wmi": {"failAt": "connect"}})", registry);
  // The failed connection leaves the last group open.
  EXPECT_EQ(outcome.report, SectionText("MB Info",
                                        {{"DriverDesc0", "PCI bus========7-1-2001"},
                                         {"DriverDesc2", "System timer========7-1-2001"},
                                         {"DriverDesc3", "PCI bus========7-1-2001"},
                                         {"DriverDesc4", "========"},
                                         {"DriverDesc6", "========1-1-2006"}},
                                        1));
  EXPECT_EQ(outcome.diagnostics, "MB Info: no connection to root\\cimv2 (0x80004005)\n");

  std::string hundredAndOne = "REGEDIT4\n";
  for (int i = 0; i <= 100; ++i) {
    char subkey[8];
    std::snprintf(subkey, sizeof subkey, "%04d", i);
    hundredAndOne += SystemDriver(subkey, "Driver " + std::to_string(i), "");
  }
  const auto bounded = RunCollector(CollectMotherboard, "{}", hundredAndOne);
  ASSERT_EQ(bounded.rows.size(), 100u);
  EXPECT_EQ(bounded.rows.back().key, "DriverDesc99");
  EXPECT_EQ(bounded.rows.back().value, "Driver 99========");
}

struct BoardCase {
  const char* name;
  std::string machine;
  std::vector<ReportEntry> rows;
  std::string report;
  std::string diagnostics;
};

class CollectMotherboardBoards : public testing::TestWithParam<BoardCase> {};

TEST_P(CollectMotherboardBoards, TextPropertiesBecomeEntries) {
  const auto& c = GetParam();
  const auto outcome = RunCollector(CollectMotherboard, c.machine);
  EXPECT_EQ(outcome.rows, c.rows);
  EXPECT_EQ(outcome.report, c.report);
  EXPECT_EQ(outcome.diagnostics, c.diagnostics);
}

const std::string k300 = std::string(300, 'n');
const std::string k259 = std::string(259, 'n');

INSTANTIATE_TEST_SUITE_P(
    Boards, CollectMotherboardBoards,
    testing::Values(
        BoardCase{"NoWmiAtAll", "{}", {}, "\r\n", "MB Info: COM security could not be set (0x80004005)\n"},
        BoardCase{"SecurityFails", R"({"wmi": {"failAt": "security", "baseBoards": [[["Product", "P"]]]}})", {}, "\r\n",
                  "MB Info: COM security could not be set (0x80004005)\n"},
        BoardCase{"LocatorFails", R"({"wmi": {"failAt": "locator"}})", {}, "\r\n",
                  "MB Info: no WMI locator (0x80004005)\n"},
        BoardCase{"NoResultSet", R"({"wmi": {"resultSet": false, "baseBoards": [[["Product", "P"]]]}})", {},
                  "\r\n\r\n", "MB Info: no base board list (0x80004005)\n"},
        BoardCase{"NoBoards", R"({"wmi": {}})", {}, "\r\n\r\n", ""},
        // Names are cut before they are compared, texts to 259 bytes; the
        // second object's values replace the first's in the file.
        BoardCase{"MixedValuesAndTwoObjects",
                  R"({"wmi": {"baseBoards": [{"namesFail": true},
                     [["Caption", "Base Board"], ["caption", "x"], ["CREATIONCLASSNAME", "Win32_BaseBoard"],
                      ["Manufacturer", "ASUSTeK"], ["__GENUS", {"i4": 2}], ["Depth", {"i2": -3}],
                      ["PoweredOn", true], ["HotSwappable", false], ["Model", null], ["SerialNumber", ")" +
                      k300 + R"("], [")" + k300 + R"(", "long name"]],
                     [["Manufacturer", "Second"]]]}})",
                  {{"MB Info", "Manufacturer", "ASUSTeK"},
                   {"MB Info", "SerialNumber", k259},
                   {"MB Info", k259, "long name"},
                   {"MB Info", "Manufacturer", "Second"}},
                  "\r\n" + SectionText("MB Info",
                                       {{"Manufacturer", "Second"}, {"SerialNumber", k259}, {k259, "long name"}}, 1),
                  "MB Info: property names not available (0x80004005)\n2\n-3\nTRUE\nFALSE\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A WMI service that handed out one board and then gave no answer in time.
class TimedOutWmi final : public WmiBoard {
 public:
  WmiBoardQuery QueryBaseBoards() override {
    WmiBoardQuery query;
    query.objects.push_back(std::vector<WmiProperty>{{"Product", std::string("A8V")}});
    query.walkEnd = kWbemTimedOut;
    return query;
  }
};

TEST(CollectMotherboard, TimeOutEndsTheListAsItsEndWould) {
  TimedOutWmi wmi;
  const auto outcome = RunCollector(
      [&](CollectorContext& replayed) {
        Platform& p = replayed.platform;
        Platform platform{p.registry,   p.system, p.memoryPower, p.users,        p.libraries,  p.devices,
                          p.waveOutput, wmi,      p.directShow,  p.fileVersions, p.executable, p.files};
        CollectorContext context{replayed.report, replayed.registry, platform, replayed.diagnostics, replayed.state};
        CollectMotherboard(context);
      },
      "{}");
  EXPECT_EQ(outcome.report, "\r\n" + SectionText("MB Info", {{"Product", "A8V"}}, 1));
  EXPECT_EQ(outcome.diagnostics, "MB Info: WMI gave no further base board in time\n");
}

}  // namespace
}  // namespace tarnwick
