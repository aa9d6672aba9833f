// The Setup API device layer against devices of the test's own: device keys
// written below the enumeration key, which Wine's Setup API lists, each found
// again by its instance ID and read through the layer.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/win32_devices.h"

namespace tarnwick::win32 {
namespace {

constexpr const char* kEnumerator = "SYSTEM\\CurrentControlSet\\Enum\\TARNWICKTEST";

// A hardware-ID list whose read needs exactly `size` bytes: one text, its
// zero and the zero that ends the list.
std::vector<std::string> ListOfSize(std::size_t size) { return {"TEST\\" + std::string(size - 7, 'X')}; }

class Win32DevicesTest : public testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEnumerator); }
  void TearDown() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEnumerator); }

  // Adds the device TARNWICKTEST\name\0000, with a hardware-ID value unless ids is nothing.
  static void AddDevice(const std::string& name, const std::vector<std::string>* ids) {
    const std::string path = std::string(kEnumerator) + "\\" + name + "\\0000";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    const std::string classGuid = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
    ::RegSetValueExA(key, "ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(classGuid.c_str()),
                     static_cast<DWORD>(classGuid.size() + 1));
    if (ids != nullptr) {
      std::string list;
      for (const std::string& id : *ids) list.append(id).push_back('\0');
      list.push_back('\0');
      EXPECT_EQ(::RegSetValueExA(key, "HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                                 static_cast<DWORD>(list.size())),
                ERROR_SUCCESS);
    }
    ::RegCloseKey(key);
  }

  // The enumeration index of each of the test's devices, by its name.
  static std::map<std::string, std::uint32_t> TestDeviceIndexes() {
    std::map<std::string, std::uint32_t> indexes;
    const HDEVINFO set = ::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return indexes;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    const std::string prefix = "TARNWICKTEST\\";
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
      char instance[MAX_PATH] = "";
      if (!::SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr)) continue;
      const std::string id(instance);
      if (id.compare(0, prefix.size(), prefix) != 0) continue;
      indexes[id.substr(prefix.size(), id.find('\\', prefix.size()) - prefix.size())] = index;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return indexes;
  }
};

TEST_F(Win32DevicesTest, ListsGrowTheBufferUpToTheBoundAndErrorsCarryTheirCode) {
  const std::vector<std::string> plain = {"USB\\VID_EB1A&PID_2861&REV_0100", "USB\\VID_EB1A&PID_2861"};
  const std::vector<std::string> beyondFirstBuffer = {"PCI\\VEN_1131&DEV_7134", std::string(300, 'C')};
  const std::vector<std::string> atBound = ListOfSize(kMaxHardwareIdBuffer);
  const std::vector<std::string> pastBound = ListOfSize(kMaxHardwareIdBuffer + 1);
  // The large reads come first: the buffer they leave behind must not show
  // through in the shorter lists read after them.
  AddDevice("A_ATBOUND", &atBound);
  AddDevice("B_PASTBOUND", &pastBound);
  AddDevice("C_PLAIN", &plain);
  AddDevice("D_NOID", nullptr);
  AddDevice("E_LONG", &beyondFirstBuffer);

  const auto indexes = TestDeviceIndexes();
  ASSERT_EQ(indexes.size(), 5u);
  Win32Devices devices;
  const auto set = devices.OpenPresentDevices();
  ASSERT_TRUE(set);
  // The list read, or "error N".
  const auto read = [&](const char* name) {
    const auto ids = set->ReadHardwareIds(indexes.at(name));
    return ids.Ok() ? *ids : std::vector<std::string>{"error " + std::to_string(ids.Error())};
  };
  using Ids = std::vector<std::string>;
  EXPECT_EQ(read("A_ATBOUND"), atBound);
  EXPECT_EQ(read("B_PASTBOUND"), Ids{"error 122"});
  EXPECT_EQ(read("C_PLAIN"), plain);
  EXPECT_EQ(read("D_NOID"), Ids{"error 13"});
  EXPECT_EQ(read("E_LONG"), beyondFirstBuffer);
  EXPECT_EQ(read("C_PLAIN"), plain);

  std::uint32_t count = 0;
  while (set->HasDevice(count)) ++count;
  EXPECT_GT(count, indexes.at("E_LONG"));
  EXPECT_EQ(set->ReadHardwareIds(count).Error(), static_cast<std::uint32_t>(ERROR_NO_MORE_ITEMS));
}

}  // namespace
}  // namespace tarnwick::win32
