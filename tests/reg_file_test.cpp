#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/case_names.h"
#include "platform/memory_registry.h"
#include "platform/replay/reg_file.h"

namespace tarnwick {
namespace {

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;

// A UTF-16LE file with its byte-order mark, as Wine's and Windows' regedit
// write the 5.00 form.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::optional<RegistryValue> ValueOf(MemoryRegistry& registry, RegistryRoot root, std::string_view path,
                                     std::string_view name) {
  const auto key = registry.OpenKey(root, path, OpenAccess::Read);
  if (!key) return std::nullopt;
  auto value = registry.QueryValue(*key, name);
  registry.CloseKey(*key);
  return value;
}

bool KeyExists(MemoryRegistry& registry, RegistryRoot root, std::string_view path) {
  const auto key = registry.OpenKey(root, path, OpenAccess::Read);
  if (key) registry.CloseKey(*key);
  return key.has_value();
}

void ExpectValue(MemoryRegistry& registry, RegistryRoot root, std::string_view path, std::string_view name,
                 std::uint32_t type, std::string_view data) {
  const auto value = ValueOf(registry, root, path, name);
  ASSERT_TRUE(value.has_value()) << path << " " << name;
  EXPECT_EQ(value->type, type) << name;
  EXPECT_EQ(value->data, Bytes(data)) << name;
}

TEST(RegFile, ReadsWineStyleUtf16Export) {
  // Blank line before each key, CR LF, wrapped hex lines, escaped line
  // breaks, a time stamp line after a key line, and a key of another root.
  const std::string file = Utf16File(
      u"Windows Registry Editor Version 5.00\r\n"
      u"\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Tarnwick Test]\r\n"
      u"#time=1d5a0c3e2f1b7a0\r\n"
      u"\"Name\"=\"Caf\u00e9 \u20ac \u03a9\"\r\n"
      u"\"Lines\"=\"one\\ntwo\\r \\\"q\\\" C:\\\\dir\"\r\n"
      u"@=\"default\"\r\n"
      u"\"Count\"=dword:0000001a\r\n"
      u"\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\\\r\n"
      u"  25,00,00,00\r\n"
      u"\"List\"=hex(7):61,00,00,00,e9,00,ac,20,00,00,00,00\r\n"
      u"\"Blob\"=hex:01,02,ff\r\n"
      u"\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Tarnwick Test\\Sub]\r\n"
      u"\r\n"
      u"[HKEY_USERS\\.DEFAULT\\Software\\Dropped]\r\n"
      u"\"Dropped\"=\"x\"\r\n"
      u"\r\n");
  MemoryRegistry registry;
  const auto error = ReadRegFile(file, "registry.reg", registry);
  ASSERT_FALSE(error) << Describe(*error);

  const std::string_view key = "SOFTWARE\\tarnwick test";  // names compare without regard to case
  ExpectValue(registry, HKLM, key, "Name", kRegSz, std::string_view("Caf\xE9 \x80 ?\0", 9));
  ExpectValue(registry, HKLM, key, "lines", kRegSz, std::string_view("one\ntwo\r \"q\" C:\\dir\0", 20));
  ExpectValue(registry, HKLM, key, "", kRegSz, std::string_view("default\0", 8));
  ExpectValue(registry, HKLM, key, "Count", kRegDword, std::string_view("\x1a\0\0\0", 4));
  ExpectValue(registry, HKLM, key, "Path", kRegExpandSz, std::string_view("%SystemRoot%\0", 13));
  ExpectValue(registry, HKLM, key, "List", kRegMultiSz, std::string_view("a\0\xE9\x80\0\0", 6));
  ExpectValue(registry, HKLM, key, "Blob", kRegBinary, "\x01\x02\xFF");
  EXPECT_TRUE(KeyExists(registry, HKLM, "Software\\Tarnwick Test\\Sub"));
  EXPECT_FALSE(KeyExists(registry, HKLM, ".DEFAULT"));
  EXPECT_FALSE(KeyExists(registry, HKCU, ".DEFAULT"));
}

TEST(RegFile, ReadsHandWrittenRegedit4WithDeletions) {
  const std::string file =
      "REGEDIT4\n"
      "; written by hand, LF line ends, 8-bit text taken byte for byte\n"
      "[HKLM\\Software\\Hand]\n"
      "\"Text\"=\"a\\\\b \\\"c\\\" \xE9\"\n"
      "\"Expand\"=hex(2):25,50,41,54,48,25,00\n"
      "\"Long\" = hex:00,01,02,\\\n"
      "  03,04,\\\n"
      "\n"
      "  ; a comment between continued lines\n"
      "  05 ; and after the data\n"
      "\"Gone\"=\"x\"\n"
      "\"Gone\"=-\n"
      "[hklm\\software\\hand\\Deep]\n"
      "\"In\"=dword:1\n"
      "[HKLM\\Software\\Hand\\Deep\\Deeper]\n"
      "[HKEY_CURRENT_USER\\Software\\Hand]\n"
      "\"User\"=dword:FFFFFFFF\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\Hand\\Deep]\n"
      "[-HKLM\\Software\\Never There]\n"
      "[HKLM\\Software\\Hand\\Deep]\n"
      "\"Again\"=\"\"\n";
  MemoryRegistry registry;
  const auto error = ReadRegFile(file, "registry.reg", registry);
  ASSERT_FALSE(error) << Describe(*error);

  ExpectValue(registry, HKLM, "Software\\Hand", "Text", kRegSz, std::string_view("a\\b \"c\" \xE9\0", 10));
  ExpectValue(registry, HKLM, "Software\\Hand", "Expand", kRegExpandSz, std::string_view("%PATH%\0", 7));
  ExpectValue(registry, HKLM, "Software\\Hand", "Long", kRegBinary, std::string_view("\0\1\2\3\4\5", 6));
  EXPECT_FALSE(ValueOf(registry, HKLM, "Software\\Hand", "Gone"));
  ExpectValue(registry, HKCU, "Software\\Hand", "User", kRegDword, "\xFF\xFF\xFF\xFF");
  // The deletion took the subkeys with it; the key made again is empty but for its new value.
  EXPECT_FALSE(KeyExists(registry, HKLM, "Software\\Hand\\Deep\\Deeper"));
  EXPECT_FALSE(ValueOf(registry, HKLM, "Software\\Hand\\Deep", "In"));
  ExpectValue(registry, HKLM, "Software\\Hand\\Deep", "Again", kRegSz, std::string_view("\0", 1));
}

struct DataCase {
  const char* name;
  bool unicodeHeader;  // "Windows Registry Editor Version 5.00" rather than "REGEDIT4"
  const char* data;    // after "v"=
  std::uint32_t type;
  std::string_view bytes;
};

class RegFileData : public testing::TestWithParam<DataCase> {};

TEST_P(RegFileData, StoresTypeAndBytes) {
  const DataCase& c = GetParam();
  const std::string file = std::string(c.unicodeHeader ? "Windows Registry Editor Version 5.00" : "REGEDIT4") +
                           "\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=" + c.data + "\r\n";
  MemoryRegistry registry;
  const auto error = ReadRegFile(file, "registry.reg", registry);
  ASSERT_FALSE(error) << Describe(*error);
  ExpectValue(registry, HKLM, "K", "v", c.type, c.bytes);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Forms, RegFileData,
    testing::Values(
        DataCase{"text", false, "\"abc\"", kRegSz, "abc\0"sv},
        DataCase{"emptyText", false, "\"\"", kRegSz, "\0"sv},
        DataCase{"textWithComment", false, "\"a;b\" ; note", kRegSz, "a;b\0"sv},
        DataCase{"dwordShort", false, "dword:1a", kRegDword, "\x1a\0\0\0"sv},
        DataCase{"dwordUpperCase", false, "dword:DEADBEEF", kRegDword, "\xEF\xBE\xAD\xDE"sv},
        DataCase{"binaryEmpty", false, "hex:", kRegBinary, ""sv},
        DataCase{"binarySingleDigits", false, "hex:1,a, ff", kRegBinary, "\x01\x0a\xff"sv},
        DataCase{"binaryTrailingComma", false, "hex:01,02,", kRegBinary, "\x01\x02"sv},
        DataCase{"expandRegedit4", false, "hex(2):41,42,00", kRegExpandSz, "AB\0"sv},
        DataCase{"expandUtf16", true, "hex(2):41,00,42,00,00,00", kRegExpandSz, "AB\0"sv},
        DataCase{"multiRegedit4", false, "hex(7):61,00,62,00,00", kRegMultiSz, "a\0b\0\0"sv},
        DataCase{"multiUtf16", true, "hex(7):61,00,00,00,62,00,00,00,00,00", kRegMultiSz, "a\0b\0\0"sv},
        DataCase{"multiUtf16OutsideCodePage", true, "hex(7):a9,03,00,00,00,00", kRegMultiSz, "?\0\0"sv},
        DataCase{"textAsHexUtf16", true, "hex(1):e9,00,00,00", kRegSz, "\xE9\0"sv},
        DataCase{"qword", true, "hex(b):01,00,00,00,00,00,00,80", 11u, "\x01\0\0\0\0\0\0\x80"sv},
        DataCase{"none", false, "hex(0):", kRegNone, ""sv},
        DataCase{"dwordAsHex", false, "hex(4):01,02,03,04", kRegDword, "\x01\x02\x03\x04"sv},
        DataCase{"otherTypeNotConverted", true, "hex(100):41,00", 0x100u, "A\0"sv}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegFile, EnumeratesSubkeysSortedWhateverTheFileOrder) {
  const std::string file = "REGEDIT4\n[HKLM\\R\\beta]\n[HKLM\\R\\Alpha]\n[HKLM\\R\\gamma]\n[HKLM\\R\\ALPHA\\x]\n";
  MemoryRegistry registry;
  ASSERT_FALSE(ReadRegFile(file, "registry.reg", registry));
  const auto key = registry.OpenKey(HKLM, "R", OpenAccess::Read);
  ASSERT_TRUE(key);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; const auto name = registry.SubkeyName(*key, i); ++i) names.push_back(*name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "gamma"}));
}

struct MalformedCase {
  const char* name;
  std::string content;
  std::size_t line;
  const char* message;  // part of the message
};

class RegFileMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(RegFileMalformed, NamesFileAndLine) {
  const MalformedCase& c = GetParam();
  MemoryRegistry registry;
  const auto error = ReadRegFile(c.content, "registry.reg", registry);
  ASSERT_TRUE(error.has_value());
  const std::string text = Describe(*error);
  EXPECT_EQ(text.rfind("registry.reg:" + std::to_string(c.line) + ": ", 0), 0u) << text;
  EXPECT_NE(text.find(c.message), std::string::npos) << text;
}

const std::string k4 = "REGEDIT4\r\n[HKLM\\K]\r\n";  // values start on line 3

std::string KeyPath(std::size_t levels, const std::string& name) {
  std::string path;
  for (std::size_t i = 0; i < levels; ++i) path += "\\" + name;
  return path;
}

// Windows' own limits are accepted: 512 levels, names of 255 characters.
TEST(RegFile, ReadsKeysAtWindowsLimits) {
  const std::string longName(255, 'n');
  const std::string file = "REGEDIT4\r\n[HKLM" + KeyPath(512, "k") + "]\r\n[HKLM\\A\\" + longName + "]\r\n";
  MemoryRegistry registry;
  ASSERT_FALSE(ReadRegFile(file, "registry.reg", registry));
  EXPECT_TRUE(registry.OpenKey(HKLM, KeyPath(512, "K").substr(1), OpenAccess::Read));
  EXPECT_TRUE(registry.OpenKey(HKLM, "A\\" + longName, OpenAccess::Read));
}

// The store frees a branch without recursion, whatever its depth.
TEST(MemoryRegistry, FreesAndDeletesVeryDeepBranches) {
  const std::string deep = KeyPath(50000, "d").substr(1);
  {
    MemoryRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKLM, "A\\" + deep));
    ASSERT_TRUE(registry.CreateKey(HKCU, deep));
    EXPECT_TRUE(registry.DeleteKey(HKLM, "A"));
    EXPECT_FALSE(registry.OpenKey(HKLM, "A", OpenAccess::Read));
  }  // the HKCU branch goes with the store
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RegFileMalformed,
    testing::Values(
        MalformedCase{"emptyFile", "", 1, "missing header"},
        MalformedCase{"wrongHeader", "REGEDIT5\r\n", 1, "missing header"},
        MalformedCase{"utf8ByteOrderMark", "\xEF\xBB\xBFREGEDIT4\r\n", 1, "missing header"},
        MalformedCase{"utf16WithRegedit4", Utf16File(u"REGEDIT4\r\n"), 1, "needs the header"},
        MalformedCase{"utf16HalfCharacter", Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n") + "[", 3,
                      "half a character"},
        MalformedCase{"unterminatedText", k4 + "\"a\"=\"b\r\n", 3, "unterminated text"},
        MalformedCase{"unterminatedName", k4 + "\"a=\"b\r\n", 3, "expected '='"},
        MalformedCase{"textEndsInBackslash", k4 + "\"a\"=\"b\\\r\n", 3, "unterminated text"},
        MalformedCase{"unknownEscape", k4 + "\"a\"=\"C:\\dir\"\r\n", 3, "unknown escape sequence '\\d'"},
        MalformedCase{"missingEquals", k4 + "\"a\" \"b\"\r\n", 3, "expected '='"},
        MalformedCase{"textAfterText", k4 + "\"a\"=\"b\" c\r\n", 3, "unexpected text"},
        MalformedCase{"unknownType", k4 + "\"a\"=qword:1\r\n", 3, "unknown data type"},
        MalformedCase{"dwordTooLong", k4 + "\"a\"=dword:123456789\r\n", 3, "too many digits"},
        MalformedCase{"dwordEmpty", k4 + "\"a\"=dword:\r\n", 3, "expected hexadecimal digits"},
        MalformedCase{"dwordNotHex", k4 + "\"a\"=dword:12g4\r\n", 3, "unexpected text"},
        MalformedCase{"hexByteTooLong", k4 + "\"a\"=hex:123\r\n", 3, "too many digits"},
        MalformedCase{"hexNotHex", k4 + "\"a\"=hex:0g\r\n", 3, "expected ','"},
        MalformedCase{"hexMissingComma", k4 + "\"a\"=hex:01 02\r\n", 3, "expected ','"},
        MalformedCase{"hexDoubleComma", k4 + "\"a\"=hex:01,,02\r\n", 3, "expected hexadecimal digits"},
        MalformedCase{"hexBadType", k4 + "\"a\"=hex(zz):00\r\n", 3, "value type"},
        MalformedCase{"hexTypeUnclosed", k4 + "\"a\"=hex(2:00\r\n", 3, "\"):\""},
        MalformedCase{"hexContinuedPastEnd", k4 + "\"a\"=hex:01,\\\r\n\r\n; note\r\n", 3, "ends inside continued hex data"},
        MalformedCase{"hexBadContinuation", k4 + "\"a\"=hex:01,\\\r\n  02,\\\r\n  xx\r\n", 5, "expected"},
        MalformedCase{"utf16DataOddLength", "Windows Registry Editor Version 5.00\r\n[HKLM\\K]\r\n\"a\"=hex(2):41,\\\r\n 00,41\r\n",
                      4, "odd length"},
        MalformedCase{"unknownRoot", "REGEDIT4\r\n\r\n[HKEY_NOWHERE\\K]\r\n", 3, "unknown root key 'HKEY_NOWHERE'"},
        MalformedCase{"emptyKeyName", "REGEDIT4\r\n[HKLM\\A\\\\B]\r\n", 2, "empty key name"},
        MalformedCase{"unclosedKey", "REGEDIT4\r\n[HKLM\\A\r\n", 2, "closing ']'"},
        MalformedCase{"textAfterKey", "REGEDIT4\r\n[HKLM\\A] x\r\n", 2, "after the key line"},
        MalformedCase{"deleteRoot", "REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n", 2, "root key cannot be deleted"},
        MalformedCase{"valueBeforeKey", "REGEDIT4\r\n\"a\"=\"b\"\r\n", 2, "outside a key"},
        MalformedCase{"valueAfterDeletion", "REGEDIT4\r\n[-HKLM\\A]\r\n@=\"b\"\r\n", 3, "outside a key"},
        MalformedCase{"strayText", k4 + "\r\nsomething\r\n", 4, "expected a key line"},
        MalformedCase{"crLineEndsCount", "REGEDIT4\r[HKLM\\K]\r\"a\"=\"b\r", 3, "unterminated text"},
        MalformedCase{"keyDeeperThan512", "REGEDIT4\r\n\r\n[HKLM" + KeyPath(513, "k") + "]\r\n", 3, "deeper than 512"},
        MalformedCase{"deletionDeeperThan512", "REGEDIT4\r\n[-HKLM" + KeyPath(513, "k") + "]\r\n", 2, "deeper than 512"},
        MalformedCase{"keyName256", "REGEDIT4\r\n[HKLM\\A\\" + std::string(256, 'n') + "]\r\n", 2, "longer than 255"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
