// The Win32 registry layer against real keys: the test writes its own keys
// below HKEY_CURRENT_USER (the program itself never writes) and reads them
// back through the shared registry layer.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_access.h"
#include "platform/win32/win32_registry.h"

namespace tarnwick::win32 {
namespace {

constexpr const char* kTestKey = "Software\\TarnwickRegistryTest";

class Win32RegistryTest : public testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

  static void Write(const std::string& subkey, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    const std::string path = std::string(kTestKey) + (subkey.empty() ? "" : "\\" + subkey);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    if (name != nullptr) {
      EXPECT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    ::RegCloseKey(key);
  }
  static void WriteText(const std::string& subkey, const char* name, const std::string& text) {
    Write(subkey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }

  Win32Registry backend_;
  RegistryAccess registry_{backend_};
};

TEST_F(Win32RegistryTest, TextLimitsMatchEveryBackend) {
  WriteText("", "Fits", std::string(254, 'a'));
  WriteText("", "TooLong", std::string(255, 'b'));
  WriteText("", "Empty", "");
  const RegistryKey key = registry_.Open(RegistryRoot::CurrentUser, kTestKey);
  ASSERT_TRUE(key);
  EXPECT_EQ(registry_.ReadText(key, "Fits").value_or("?"), std::string(254, 'a'));
  EXPECT_FALSE(registry_.ReadText(key, "TooLong").has_value());
  EXPECT_EQ(registry_.ReadText(key, "Empty").value_or("?"), "");
  EXPECT_FALSE(registry_.ReadText(key, "Missing").has_value());
  EXPECT_EQ(registry_.ReadKeyText(RegistryRoot::CurrentUser, kTestKey, "TooLong"), "");
}

TEST_F(Win32RegistryTest, NumbersFillOrKeepTheCallersValue) {
  const DWORD number = 26;
  const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Write("", "Number", REG_DWORD, &number, sizeof number);
  Write("", "Wide", REG_BINARY, eight, sizeof eight);
  const RegistryKey key = registry_.Open(RegistryRoot::CurrentUser, kTestKey, OpenAccess::QueryValue);
  std::uint32_t value = 7;
  EXPECT_TRUE(registry_.ReadNumber(key, "Number", value));
  EXPECT_EQ(value, 26u);
  value = 7;
  EXPECT_FALSE(registry_.ReadNumber(key, "Wide", value));
  EXPECT_FALSE(registry_.ReadNumber(key, "Missing", value));
  EXPECT_EQ(value, 7u);
}

TEST_F(Win32RegistryTest, SubkeysEnumerateSortedWithoutRegardToCase) {
  for (const char* name : {"beta", "Alpha", "gamma", "Delta"}) Write(name, nullptr, REG_NONE, nullptr, 0);
  const RegistryKey key = registry_.Open(RegistryRoot::CurrentUser, kTestKey, OpenAccess::Read);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; auto name = registry_.SubkeyName(key, i); ++i) names.push_back(*name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Delta", "gamma"}));
  EXPECT_FALSE(registry_.Open(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\Missing"));
  EXPECT_TRUE(registry_.Open(RegistryRoot::CurrentUser, "SOFTWARE\\TARNWICKREGISTRYTEST\\ALPHA"));
}

}  // namespace
}  // namespace tarnwick::win32
