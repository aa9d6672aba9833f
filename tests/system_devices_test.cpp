// The device inventory with its driver, media and USB lookups through the
// replay layer: one machine of tuner cards with its exact rows and report,
// and the cases that end the inventory early or walk up to a bound.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "app/console_table.h"
#include "collectors/collectors.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;

const std::string kTunerCards = std::string(TARNWICK_SOURCE_DIR) + "/tests/machines/tuner-cards/";

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The same registry.reg is imported into Wine by the device check there.
TEST(CollectSystemDevices, TunerCardsMachineWritesItsExpectedRowsAndSections) {
  const auto outcome = RunCollector(CollectSystemDevices, ReadWhole(kTunerCards + "machine.json"),
                                    ReadWhole(kTunerCards + "registry.reg"));
  EXPECT_EQ(RowsTsv(outcome.rows), ReadWhole(kTunerCards + "expected/device-rows.tsv"));
  EXPECT_EQ(outcome.report, ReadWhole(kTunerCards + "expected/device-sections.ini"));
}

struct DeviceCase {
  const char* name;
  std::string machine;            // machine.json
  std::string registry;           // keys below HKLM\SYSTEM\CurrentControlSet
  std::vector<std::string> rows;  // "section/key=value"
};

class DeviceCases : public testing::TestWithParam<DeviceCase> {};

TEST_P(DeviceCases, WriteTheirRows) {
  const DeviceCase& c = GetParam();
  std::string registry = "REGEDIT4\n";
  std::istringstream lines(c.registry);
  for (std::string line; std::getline(lines, line);) {
    registry += line.starts_with("[") ? "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\" + line.substr(1) : line;
    registry += '\n';
  }
  std::vector<std::string> rows;
  for (const auto& row : RunCollector(CollectSystemDevices, c.machine, registry).rows) {
    rows.push_back(row.section + "/" + row.key + "=" + row.value);
  }
  EXPECT_EQ(rows, c.rows);
}

// The device key Enum\PCI\<device> with instances "00" up, those from
// `runningFrom` on with a "Control" subkey.
std::string Instances(const std::string& device, int count, int runningFrom, const std::string& values = "") {
  std::string keys;
  for (int i = 0; i < count; ++i) {
    const std::string path = "Enum\\PCI\\" + device + "\\" + (i < 10 ? "0" : "") + std::to_string(i);
    keys += "[" + path + "]\n" + values + (i >= runningFrom ? "[" + path + "\\Control]\n" : "");
  }
  return keys;
}

std::string UsbControllers(int count) {
  std::string keys;
  for (int i = 0; i < count; ++i) {
    keys += "[Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}\\" + std::to_string(1000 + i) +
            "]\n\"DriverDesc\"=\"Hub " + std::to_string(i) + "\"\n";
  }
  return keys;
}

std::vector<std::string> UsbControllerRows(int count) {
  std::vector<std::string> rows{"USBInfo/USB TYPE=1.1"};
  for (int i = 0; i < count; ++i) {
    rows.push_back("USB Info/DriverDesc" + std::to_string(i) + "=Hub " + std::to_string(i) + "========");
  }
  return rows;
}

const std::string kAtBound(kMaxHardwareIdBuffer - 2, 'X');  // with its two zeros

INSTANTIATE_TEST_SUITE_P(
    Inventory, DeviceCases,
    testing::Values(
        DeviceCase{"noDeviceSet", "{}", "", {}},
        DeviceCase{"errorThirteenFirstAndNoUsb2RootHub",
                   R"({"devices": [{"error": 13}, ["USB\\ROOT_HUB&VID8086&PID2934"]]})",
                   "",
                   {"System Device Info/System ID 0=", "System Device Info/System ID 1=USB\\ROOT_HUB&VID8086&PID2934",
                    "USBInfo/USB TYPE=1.1"}},
        DeviceCase{"otherErrorEndsWithoutUsbSummary",
                   R"({"devices": [["PCI\\VEN_1131&DEV_7130"], {"error": 5}, ["PCI\\X"]]})",
                   "",
                   {"DeviceInfo/Philips ID 0=PCI\\VEN_1131&DEV_7130",
                    "System Device Info/System ID 0=PCI\\VEN_1131&DEV_7130"}},
        DeviceCase{"listBeyondTheBoundEndsTheInventory",
                   R"({"devices": [[")" + kAtBound + R"("], [")" + kAtBound + R"(X"], ["PCI\\X"]]})",
                   "",
                   {"System Device Info/System ID 0=" + kAtBound}},
        // Ten instances are looked at: a device running as its eleventh writes
        // no driver details; a running instance without "Driver" is passed.
        DeviceCase{"instancesUpToTheTenth",
                   R"({"devices": [["PCI\\VEN_1131&DEV_7160"], ["PCI\\VEN_1131&DEV_7162"]]})",
                   Instances("VEN_1131&DEV_7160", 11, 10, "\"Driver\"=\"X\\\\0001\"\n") +
                       Instances("VEN_1131&DEV_7162", 10, 8) +
                       "[Enum\\PCI\\VEN_1131&DEV_7162\\09]\n\"Driver\"=\"X\\\\0001\"\n"
                       "[Control\\Class\\X\\0001]\n\"DriverDesc\"=\"SAA7162\"\n",
                   {"DeviceInfo/Philips ID 0=PCI\\VEN_1131&DEV_7160",
                    "System Device Info/System ID 0=PCI\\VEN_1131&DEV_7160",
                    "DeviceInfo/Philips ID 1=PCI\\VEN_1131&DEV_7162", "DeviceInfo/Philips ID 1_ProviderName=",
                    "DeviceInfo/Philips ID 1_NTMPDriver=", "DeviceInfo/Philips ID 1_DriverDesc=SAA7162",
                    "DeviceInfo/Philips ID 1_DriverVersion=", "DeviceInfo/Philips ID 1_DriverDate=",
                    "System Device Info/System ID 1=PCI\\VEN_1131&DEV_7162", "USBInfo/USB TYPE=1.1"}},
        // A count read as negative, or none, runs no device.
        DeviceCase{"mediaServiceCounts",
                   R"({"devices": [["PCI\\VEN_1274&DEV_1371"]]})",
                   "[Enum\\PCI\\VEN_1274&DEV_1371\\0]\n\"Class\"=\"MEDIA\"\n\"Service\"=\"minus\"\n"
                   "[Enum\\PCI\\VEN_1274&DEV_1371\\1]\n\"Class\"=\"MEDIA\"\n\"Service\"=\"none\"\n"
                   "[Enum\\PCI\\VEN_1274&DEV_1371\\2]\n\"Class\"=\"mEdIa\"\n\"Service\"=\"one\"\n\"Driver\"=\"X\"\n"
                   "[Services\\minus\\Enum]\n\"Count\"=dword:ffffffff\n[Services\\none\\Enum]\n"
                   "[Services\\one\\Enum]\n\"Count\"=dword:00000001\n"
                   "[Control\\Class\\X]\n\"DriverDate\"=\"1-1-2001\"\n",
                   {"Media/DeviceID0=SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1274&DEV_1371", "Media/ProviderName0=",
                    "Media/DeviceName0=", "Media/Driver Version0=", "Media/DriverDate0=1-1-2001",
                    "System Device Info/System ID 0=PCI\\VEN_1274&DEV_1371", "USBInfo/USB TYPE=1.1"}},
        DeviceCase{"usbListStopsAtItsBound", R"({"devices": []})", UsbControllers(101), UsbControllerRows(100)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
