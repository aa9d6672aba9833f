// The Setup API device layer at its allocation bound: device keys of the
// test's own, written below the enumeration key (Wine's Setup API lists them)
// and found again by their instance IDs. The wine_devices check covers the
// rest of the layer against a probe of its own.
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
constexpr char kMediaClass[] = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";

class Win32DevicesTest : public testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEnumerator); }
  void TearDown() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEnumerator); }

  // The device TARNWICKTEST\<name>\0 with one hardware ID whose read needs `size` bytes.
  static std::string AddDevice(const std::string& name, std::size_t size) {
    const std::string path = std::string(kEnumerator) + "\\" + name + "\\0";
    std::string list = "T\\" + std::string(size - 4, 'X') + std::string(2, '\0');
    HKEY key = nullptr;
    EXPECT_EQ(::RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    // Wine lists a device key only with its setup class.
    ::RegSetValueExA(key, "ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kMediaClass), sizeof kMediaClass);
    EXPECT_EQ(::RegSetValueExA(key, "HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                               static_cast<DWORD>(list.size())),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    return list.substr(0, size - 2);
  }

  // The enumeration index of each of the test's devices, by its name.
  static std::map<std::string, std::uint32_t> TestDeviceIndexes() {
    std::map<std::string, std::uint32_t> indexes;
    const HDEVINFO set = ::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
      char instance[MAX_PATH] = "";
      ::SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr);
      const std::string id(instance);
      if (id.starts_with("TARNWICKTEST\\")) indexes[id.substr(13, id.rfind('\\') - 13)] = index;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return indexes;
  }
};

TEST_F(Win32DevicesTest, ListsAreReadUpTo64KiBAndTheBufferLeftBehindNeverShows) {
  const std::string atBound = AddDevice("A", kMaxHardwareIdBuffer);
  AddDevice("B", kMaxHardwareIdBuffer + 1);
  const std::string small = AddDevice("C", 40);
  const auto indexes = TestDeviceIndexes();
  ASSERT_EQ(indexes.size(), 3u);

  Win32Devices devices;
  const auto set = devices.OpenPresentDevices();
  ASSERT_TRUE(set);
  // The list read, or "error N".
  const auto read = [&](const char* name) {
    const auto ids = set->ReadHardwareIds(indexes.at(name));
    return ids.Ok() ? *ids : std::vector<std::string>{"error " + std::to_string(ids.Error())};
  };
  using Ids = std::vector<std::string>;
  EXPECT_EQ(read("A"), Ids{atBound});
  EXPECT_EQ(read("B"), Ids{"error 122"});
  EXPECT_EQ(read("C"), Ids{small});
}

}  // namespace
}  // namespace tarnwick::win32
