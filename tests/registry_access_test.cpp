#include <gtest/gtest.h>

#include <string>

#include "tests/case_names.h"
#include "platform/memory_registry.h"
#include "platform/registry_access.h"

namespace tarnwick {
namespace {

constexpr auto HKLM = RegistryRoot::LocalMachine;

struct TextReadCase {
  const char* name;
  std::size_t length;       // characters stored
  std::size_t bufferSize;   // the caller's buffer
  bool read;                // read whole, or failed
};

class TextReadLimits : public testing::TestWithParam<TextReadCase> {};

TEST_P(TextReadLimits, ReadsWholeOrFailsEmpty) {
  const auto& c = GetParam();
  MemoryRegistry store;
  const std::string text(c.length, 'x');
  store.SetText(HKLM, "Software\\Test", "Value", text);
  RegistryAccess registry(store);
  const RegistryKey key = registry.Open(HKLM, "Software\\Test");
  const auto got = registry.ReadText(key, "Value", c.bufferSize);
  if (c.read) {
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, text);
  } else {
    EXPECT_FALSE(got.has_value());
    // The collectors' read-and-close form yields empty text, never leftovers.
    if (c.bufferSize == kRegistryTextBuffer) {
      EXPECT_EQ(registry.ReadKeyText(HKLM, "Software\\Test", "Value"), "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, TextReadLimits,
    testing::Values(TextReadCase{"empty", 0, 255, true}, TextReadCase{"max254", 254, 255, true},
                    TextReadCase{"over255", 255, 255, false}, TextReadCase{"over300", 300, 255, false},
                    TextReadCase{"installPath127", 127, 128, true}, TextReadCase{"installPath128", 128, 128, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryAccess, TextWithoutTerminatorNeedsRoomForOne) {
  MemoryRegistry store;
  store.SetValue(HKLM, "K", "Raw", RegistryValue{kRegSz, std::vector<std::uint8_t>(254, 'a')});
  store.SetValue(HKLM, "K", "Long", RegistryValue{kRegSz, std::vector<std::uint8_t>(255, 'a')});
  RegistryAccess registry(store);
  const RegistryKey key = registry.Open(HKLM, "K");
  EXPECT_EQ(registry.ReadText(key, "Raw").value_or("?"), std::string(254, 'a'));
  EXPECT_FALSE(registry.ReadText(key, "Long").has_value());
}

struct NumberCase {
  const char* name;
  std::vector<std::uint8_t> stored;  // empty vector with missing=true: no value
  bool missing;
  std::uint32_t before;
  std::uint32_t after;
  bool read;
};

class NumberReads : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberReads, FillsOrLeavesTheCallersValue) {
  const auto& c = GetParam();
  MemoryRegistry store;
  store.CreateKey(HKLM, "K");
  if (!c.missing) store.SetValue(HKLM, "K", "N", RegistryValue{kRegDword, c.stored});
  RegistryAccess registry(store);
  const RegistryKey key = registry.Open(HKLM, "K");
  std::uint32_t value = c.before;
  EXPECT_EQ(registry.ReadNumber(key, "N", value), c.read);
  EXPECT_EQ(value, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberReads,
    testing::Values(NumberCase{"dword", {0x1a, 0, 0, 0}, false, 7, 26, true},
                    NumberCase{"missingKeepsValue", {}, true, 7, 7, false},
                    NumberCase{"tooLongKeepsValue", {1, 2, 3, 4, 5}, false, 7, 7, false},
                    NumberCase{"twoBytesFillLowHalf", {0x34, 0x12}, false, 0xAABBCCDD, 0xAABB1234, true},
                    NumberCase{"emptyData", {}, false, 9, 9, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryAccess, SubkeyNamesUpTo259Characters) {
  MemoryRegistry store;
  store.CreateKey(HKLM, "Root\\" + std::string(259, 'a'));
  store.CreateKey(HKLM, "Root\\" + std::string(260, 'b'));
  RegistryAccess registry(store);
  const RegistryKey key = registry.Open(HKLM, "Root");
  EXPECT_EQ(registry.SubkeyName(key, 0).value_or(""), std::string(259, 'a'));
  EXPECT_FALSE(registry.SubkeyName(key, 1).has_value());
  EXPECT_FALSE(registry.SubkeyName(key, 2).has_value());
}

// A caller's bound of 100 reads the first 100 of 120 subkeys, each at its
// own index; the index past the last subkey fails.
TEST(RegistryAccess, EveryIndexNamesItsOwnSubkey) {
  MemoryRegistry store;
  for (int i = 119; i >= 0; --i) store.CreateKey(HKLM, "Spaces\\S" + std::to_string(1000 + i));
  RegistryAccess registry(store);
  const RegistryKey key = registry.Open(HKLM, "Spaces");
  for (std::uint32_t index : {0u, 1u, 57u, 99u, 119u}) {
    const std::string wanted = std::string("S").append(std::to_string(1000 + index));
    EXPECT_EQ(registry.SubkeyName(key, index).value_or(""), wanted) << index;
  }
  EXPECT_FALSE(registry.SubkeyName(key, 120).has_value());
}

TEST(MemoryRegistry, NamesIgnoreCaseAndSubkeysEnumerateSorted) {
  MemoryRegistry store;
  for (const char* name : {"beta", "Alpha", "gamma", "ALPHA\\child", "Delta", "_under", "Zeta"}) {
    store.CreateKey(HKLM, std::string("Software\\List\\") + name);
  }
  store.SetText(HKLM, "SOFTWARE\\list\\alpha", "Name", "first");
  RegistryAccess registry(store);
  const RegistryKey key = registry.Open(HKLM, "software\\LIST");
  std::vector<std::string> names;
  for (std::uint32_t i = 0; auto name = registry.SubkeyName(key, i); ++i) names.push_back(*name);
  // Ordered by the lower-case form, as Wine enumerates: '_' (0x5F) sorts
  // before the letters.
  EXPECT_EQ(names, (std::vector<std::string>{"_under", "Alpha", "beta", "Delta", "gamma", "Zeta"}));
  EXPECT_EQ(registry.ReadKeyText(HKLM, "Software\\List\\ALPHA", "NAME"), "first");
}

TEST(MemoryRegistry, BackslashRunsPartNamesLikeOneAsWindowsOpensThem) {
  MemoryRegistry store;
  store.CreateKey(HKLM, "A\\B");
  RegistryAccess registry(store);
  EXPECT_TRUE(registry.Open(HKLM, "A\\B"));
  EXPECT_TRUE(registry.Open(HKLM, "A\\B\\"));
  EXPECT_TRUE(registry.Open(HKLM, "A\\\\B\\\\"));
  EXPECT_FALSE(registry.Open(HKLM, "\\A"));
  EXPECT_FALSE(registry.Open(RegistryRoot::CurrentUser, "A"));
}

TEST(MemoryRegistry, KeysCloseWithTheirOwner) {
  MemoryRegistry store;
  store.CreateKey(HKLM, "A");
  RegistryAccess registry(store);
  {
    RegistryKey first = registry.Open(HKLM, "A");
    RegistryKey moved = std::move(first);
    EXPECT_EQ(store.OpenKeyCount(), 1u);
  }
  EXPECT_EQ(store.OpenKeyCount(), 0u);
  registry.ReadKeyText(HKLM, "A", "missing");
  EXPECT_EQ(store.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace tarnwick
