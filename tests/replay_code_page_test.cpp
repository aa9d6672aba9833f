// A replayed computer's code page: names kept apart in the registry as
// Windows keeps them in Unicode, and read as the A functions read them; the
// JSON and the table decode the texts with the code page they were written in.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "app/console_table.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "collectors/collectors.h"
#include "platform/registry_access.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_platform.h"
#include "tests/report_test_files.h"

namespace tarnwick {
namespace {

using namespace std::string_literals;

// The text as a UTF-16LE regedit file holds it, with its byte-order mark.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

constexpr std::u16string_view kTwoSpaces =
    u"Windows Registry Editor Version 5.00\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tuning Spaces\\\u041F\u0435\u0442\u0440]\r\n"
    u"\"Name\"=\"\u041F\u0435\u0442\u0440\"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tuning Spaces\\\u0418\u0432\u0430\u043D]\r\n"
    u"\"Name\"=\"\u0418\u0432\u0430\u043D\"\r\n"
    u"\"Description\"=hex(2):22,04,12,04,00,00\r\n";

const std::string kIvan1251 = "\xC8\xE2\xE0\xED";
const std::string kPetr1251 = "\xCF\xE5\xF2\xF0";
const std::string kIvan932 = "\x84\x49\x84\x72\x84\x70\x84\x7E";
const std::string kPetr932 = "\x84\x50\x84\x75\x84\x84\x84\x82";

struct CodePageCase {
  const char* name;
  std::string machineJson;
  std::string registry;
  std::vector<ReportEntry> rows;  // after the version row
};

class ReplayCodePage : public testing::TestWithParam<CodePageCase> {};

// The tuning spaces collector reads the registry as the A functions read it.
TEST_P(ReplayCodePage, TuningSpacesReadInTheCodePage) {
  const CodePageCase& c = GetParam();
  testing_files::ScratchFolder folder;
  std::ofstream(folder.Host("machine.json"), std::ios::binary) << c.machineJson;
  std::ofstream(folder.Host("registry.reg"), std::ios::binary) << c.registry;
  ReplayMachine machine;
  const auto error = LoadMachineFolder(folder.Path(), machine);
  ASSERT_FALSE(error) << Describe(*error);
  ReplayPlatform platform(machine, folder.Host("out"));
  ASSERT_FALSE(platform.CreateOutputFolders());
  static const CollectionSteps steps{{CollectTuningSpaces}, {}, [](CollectorContext&, std::string_view, const Guid&) {}};
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(platform.Services(), rows, diagnostics, steps);
  dialog.RunCollection();
  ASSERT_FALSE(rows.Rows().empty());
  EXPECT_EQ(std::vector<ReportEntry>(rows.Rows().begin() + 1, rows.Rows().end()), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, ReplayCodePage,
    testing::Values(
        // Windows-1252 lacks Cyrillic: both names read "????", which opens
        // neither key; the second equal value is left out. Two keys, not one
        // merged key with the second one's data.
        CodePageCase{"utf16FileAt1252", "{}", Utf16File(kTwoSpaces), {{"TuningSpaces", "Description1", "========"}}},
        CodePageCase{"utf16FileAt1251", R"({"codePage": 1251})", Utf16File(kTwoSpaces),
                     {{"TuningSpaces", "Description1", "\xD2\xC2========" + kIvan1251},
                      {"TuningSpaces", "Description2", "========" + kPetr1251}}},
        CodePageCase{"utf16FileAt932", R"({"codePage": 932})", Utf16File(kTwoSpaces),
                     {{"TuningSpaces", "Description1", "\x84\x53\x84\x42========" + kIvan932},
                      {"TuningSpaces", "Description2", "========" + kPetr932}}},
        // An 8-bit file is in the computer's code page: its texts byte for
        // byte, its names compared without regard to Cyrillic case (the
        // second key line names the first key in small letters).
        CodePageCase{"eightBitFileAt1251", R"({"codePage": 1251})",
                     "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tuning Spaces\\" + kIvan1251 +
                         "]\r\n\"Name\"=\"" + kIvan1251 + "\x98\"\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tuning Spaces\\\xE8\xE2\xE0\xED]\r\n"
                         "\"Description\"=\"x\"\r\n",
                     {{"TuningSpaces", "Description1", "x========" + kIvan1251 + "\x98"}}},
        // A double-byte name whose second byte is a backslash stays one name.
        CodePageCase{"eightBitFileAt932", R"({"codePage": 932})",
                     "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Tuning Spaces\\\x95\x5C\x8E\xA6]\r\n"
                     "\"Name\"=\"\x95\x5C\x8E\xA6\"\r\n",
                     {{"TuningSpaces", "Description1", "========\x95\x5C\x8E\xA6"}}}),
    CaseName());

// machine.json texts are converted to the code page as the A functions give them.
TEST(ReplayMachineText, ConvertedToTheCodePage) {
  testing_files::ScratchFolder folder;
  std::ofstream(folder.Host("machine.json"), std::ios::binary)
      << R"({"codePage": 1251, "computerName": "ПК-1", "user": {"name": "Иван Müller"}})";
  ReplayMachine machine;
  ASSERT_FALSE(LoadMachineFolder(folder.Path(), machine));
  ReplayPlatform platform(machine, folder.Host("out"));
  EXPECT_EQ(platform.Services().system.AnsiCodePage(), 1251u);
  EXPECT_EQ(platform.Services().system.ComputerName(), "\xCF\xCA-1");
  EXPECT_EQ(platform.Services().users.UserName(), kIvan1251 + " M?ller");
}

struct DecodeCase {
  const char* name;
  std::uint32_t codePage;
  std::string text;
  std::string utf8;
};

class CodePageDecoding : public testing::TestWithParam<DecodeCase> {};

// The JSON and the table show the texts as written in their code page.
TEST_P(CodePageDecoding, JsonAndTableShowTheCharacters) {
  const DecodeCase& c = GetParam();
  const auto codePage = OpenCodePage(c.codePage);
  ASSERT_TRUE(codePage);
  const std::vector<ReportEntry> rows{{"DirectX", "DirectX Version", c.text}};
  std::ostringstream json;
  PrintRowsJson(json, rows, *codePage);
  EXPECT_EQ(json.str(), "[\n  {\"section\": \"DirectX\", \"key\": \"DirectX Version\", \"value\": \"" + c.utf8 + "\"}\n]\n");
  std::ostringstream table;
  PrintRowTable(table, rows, true, *codePage);
  EXPECT_NE(table.str().find("DirectX Version  " + c.utf8 + "\n"), std::string::npos) << table.str();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodePageDecoding,
    testing::Values(DecodeCase{"cyrillicAt1251", 1251, kIvan1251 + " 4.09", "Иван 4.09"},
                    DecodeCase{"sameBytesAt1252", 1252, kIvan1251 + " 4.09", "Èâàí 4.09"},
                    DecodeCase{"shiftJisAt932", 932, kIvan932 + " \x95\x5C", "Иван 表"},
                    // A byte the code page leaves undefined shows as the control of its number.
                    DecodeCase{"undefinedByteAt1251", 1251, "a\x98", "a\xC2\x98"},
                    DecodeCase{"loneLeadByteAt932", 932, "a\x84", "a\xC2\x84"}),
    CaseName());

}  // namespace
}  // namespace tarnwick
