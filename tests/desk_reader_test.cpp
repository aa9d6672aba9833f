// The desk's reader: entries as the profile reader returns them, lines with
// their own endings, the code page guessed from the report, texts as UTF-8.
#include <gtest/gtest.h>

#include "desk/report.h"
#include "desk/windows_release.h"
#include "tests/desk_test_reports.h"

namespace tarnwick::desk {
namespace {

constexpr std::string_view kHead = "[Tool Version]\r\nTool Version=2.5\r\n";

struct LookupCase {
  const char* name;
  std::string body;
  const char* section;
  const char* key;
  const char* value;  // nullptr: the reader has no such entry
};

class DeskReaderLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(DeskReaderLookup, AnswersAsTheProfileReader) {
  const LookupCase& row = GetParam();
  const Report report = testing::MustRead(std::string(kHead) + row.body);
  const ReportEntry* entry = report.Find(row.section, row.key);
  if (row.value == nullptr) {
    EXPECT_EQ(entry, nullptr) << entry->value;
  } else {
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->value, row.value);
  }
}

const LookupCase kLookups[] = {
    {"FirstKeyWins", "[A]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
    {"FirstSectionWins", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", "k", "1"},
    {"LaterSectionOfTheNameIsHidden", "[A]\r\nk=1\r\n[a]\r\nother=2\r\n", "A", "other", nullptr},
    {"KeyKeepsItsBlanks", "[A]\r\nPVR PLUS Version =3.1\r\n", "A", "PVR PLUS Version ", "3.1"},
    {"KeyWithoutItsBlankIsAnother", "[A]\r\nPVR PLUS Version =3.1\r\n", "A", "PVR PLUS Version", nullptr},
    {"ValueUpToTheLineEnd", "[A]\r\nk=a=b \r\n", "A", "k", "a=b "},
    {"IndentedHeader", "  [A]\r\nk=1\r\n", "A", "k", "1"},
    {"LoneCrEndsALine", "[A]\rk=1\rj=2", "A", "j", "2"},
    {"EntryAboveAnyHeaderIsNone", "", "", "Tool Version", nullptr},
    {"EmptyValue", "[A]\r\nk=\r\n", "A", "k", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, DeskReaderLookup, ::testing::ValuesIn(kLookups),
                         [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
  const char* name;
  std::string body;
  std::optional<int> override;
  int codePage;
  const char* value;  // "Test" "k" as UTF-8
};

class DeskReaderCodePage : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DeskReaderCodePage, DecodesInTheCustomersCodePage) {
  const DecodeCase& row = GetParam();
  const Report report = testing::MustRead(std::string(kHead) + row.body, true, {.codePage = row.override});
  EXPECT_EQ(report.codePage, row.codePage);
  EXPECT_EQ(report.Value("Test", "k"), row.value);
}

const DecodeCase kDecodes[] = {
    {"RussianLocale", "[Windows OS]\r\n[SystemInfo]\r\nLocale=00000419\r\n[Test]\r\nk=\xCF\xF0\xE8\r\n", std::nullopt, 1251,
     "\xD0\x9F\xD1\x80\xD0\xB8"},
    {"JapaneseLocale", "[SystemInfo]\r\nLocale=00000411\r\n[Test]\r\nk=\x83\x65\r\n", std::nullopt, 932, "\xE3\x83\x86"},
    {"LowerCaseLocale", "[SystemInfo]\r\nLocale=0000041f\r\n[Test]\r\nk=\xFD\r\n", std::nullopt, 1254, "\xC4\xB1"},
    {"UnknownLocaleIsWestern", "[SystemInfo]\r\nLocale=0000ABCD\r\n[Test]\r\nk=\xE9\r\n", std::nullopt, 1252, "\xC3\xA9"},
    {"MissingLocaleIsWestern", "[Test]\r\nk=\x80\r\n", std::nullopt, 1252, "\xE2\x82\xAC"},
    {"LinuxReportIsWestern", "[Linux OS]\r\n[SystemInfo]\r\nLocale=00000419\r\n[Test]\r\nk=\xE9\r\n", std::nullopt, 1252,
     "\xC3\xA9"},
    {"EmptyDirectXWithoutWindowsIsLinux", "[DirectX]\r\nDirectX Version=\r\n[SystemInfo]\r\nLocale=00000419\r\n[Test]\r\nk=\xE9\r\n",
     std::nullopt, 1252, "\xC3\xA9"},
    {"OverrideWins", "[SystemInfo]\r\nLocale=00000409\r\n[Test]\r\nk=\xCF\r\n", 1251, 1251, "\xD0\x9F"},
    {"UndefinedByteIsMarked", "[SystemInfo]\r\nLocale=00000411\r\n[Test]\r\nk=a\x80z\r\n", std::nullopt, 932,
     "a\xEF\xBF\xBDz"},
    {"LeadByteAtTheEndIsMarked", "[SystemInfo]\r\nLocale=00000411\r\n[Test]\r\nk=a\x83", std::nullopt, 932, "a\xEF\xBF\xBD"},
};

INSTANTIATE_TEST_SUITE_P(Table, DeskReaderCodePage, ::testing::ValuesIn(kDecodes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeskReader, LinesKeepTheirEndingsAndEntriesTheirOrder) {
  const Report report = testing::MustRead(std::string(kHead) + "[B]\nk=1\r[A]\r\nj=2\r\n[b]\r\nk=3");
  std::vector<std::string> endings;
  for (const ReportLine& line : report.lines) endings.push_back(line.ending);
  EXPECT_EQ(endings, (std::vector<std::string>{"CRLF", "CRLF", "LF", "CR", "CRLF", "CRLF", "CRLF", ""}));
  std::vector<std::string> entries;
  for (const ReportEntry& entry : report.entries) {
    entries.push_back(std::to_string(entry.position) + entry.section + entry.key + entry.value + (entry.shadowed ? "*" : ""));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"2Tool VersionTool Version2.5", "4Bk1", "6Aj2", "8bk3*"}));
}

TEST(DeskReader, WithoutToolVersionItIsNoReport) {
  for (const char* bytes : {"", "[Windows OS]\r\nMinorVersion=5.1\r\n", "Tool Version=2.5\r\n", "\xFF\xFE[\0T\0"}) {
    EXPECT_FALSE(ReadReport({.source = "x", .mail = std::nullopt, .bytes = bytes, .lineEndsAsWritten = true}));
  }
}

struct ReleaseCase {
  const char* version;
  const char* build;
  const char* platform;
  const char* name;
};

class DeskWindowsRelease : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(DeskWindowsRelease, NamedInPlainWords) {
  const ReleaseCase& row = GetParam();
  EXPECT_EQ(NameWindowsRelease(row.version, row.build, row.platform), row.name);
}

const ReleaseCase kReleases[] = {
    {"5.0", "2195", "Microsoft Windows 2000 Professional ", "Windows 2000"},
    {"5.1", "2600", "Microsoft Windows XP Professional ", "Windows XP"},
    {"5.2", "3790", "Microsoft Windows XP Professional x64 Edition ", "Windows XP Professional x64 Edition"},
    {"5.2", "3790", "Microsoft Windows Server 2003, Standard Edition ", "Windows Server 2003"},
    {"5.2", "3790", "Microsoft Windows Server 2003 \"R2\"Enterprise Edition ", "Windows Server 2003 R2"},
    {"6.0", "6002", "Windows Vista x86 Home Edition ", "Windows Vista"},
    {"6.0", "6001", "Windows Server \"Longhorn\" Server 4.0 ", "Windows Server 2008"},
    {"6.1", "7601", "Professional ", "Windows 7"},
    {"6.2", "9200", "Professional ", "Windows 8, or a later Windows answering as Windows 8"},
    {"6.2", "9200", "Server 4.0 ", "Windows Server 2012, or a later Windows answering as Windows Server 2012"},
    {"6.3", "9600", "Professional ", "Windows 8.1"},
    {"10.0", "17763", "Professional ", "Windows 10 version 1809"},
    {"10.0", "17763", "Server 4.0 ", "Windows Server 2019"},
    {"10.0", "22631", "Professional ", "Windows 11 version 23H2"},
    {"10.0", "22635", "Professional ", "Windows 11, build 22635"},
    {"10.0", "19999", "Professional ", "Windows 10, build 19999"},
    {"4.0", "1381", "Microsoft Windows NT Workstation 4.0 ", "Windows NT 4.0"},
    {"", "", "Microsoft Windows 98 SE ", "Microsoft Windows 98 SE"},
    {"", "", "", "an unknown Windows"},
};

INSTANTIATE_TEST_SUITE_P(Table, DeskWindowsRelease, ::testing::ValuesIn(kReleases));

}  // namespace
}  // namespace tarnwick::desk
