// The desk's input walk over the fixtures of tests/desk (written by
// tests/desk/make_mails.py from reports that tarnwick-replay wrote): what it
// finds, under which source, with which mail header, and what it refuses.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "desk/inputs/input_sniff.h"
#include "desk/inputs/input_walk.h"
#include "desk/inputs/source_names.h"

namespace tarnwick::desk {
namespace {

const std::string kFixtures = TARNWICK_SOURCE_DIR "/tests/desk/";
const char* const kReports[] = {"tuner-stick", "tuner-cards", "tv-apps", "xp-desk"};

std::string ReadFixture(const std::string& relative) {
  std::ifstream in(kFixtures + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// Which of the replayed reports the bytes are: as the run wrote them, or with
// their line ends turned into LF on the way.
std::string WhichReport(const std::string& bytes) {
  for (const char* name : kReports) {
    const std::string report = ReadFixture(std::string("reports/") + name + ".ini");
    if (bytes == report) return name;
    if (bytes == WithoutCarriageReturns(report)) return std::string(name) + " in LF";
  }
  return std::to_string(bytes.size()) + " other bytes";
}

std::string Describe(const FoundReport& found) {
  std::string text = found.source.substr(kFixtures.size()) + " = " + WhichReport(found.bytes) +
                     (found.lineEndsAsWritten ? ", as written" : ", ends rewritten");
  if (found.mail) {
    text += " | " + found.mail->from + " | " + found.mail->date + " | " + found.mail->subject + " | " +
            found.mail->messageId;
  }
  return text;
}

WalkLimits Limits(std::uint64_t partBytes, int nesting, std::uint64_t zipBytes) {
  return {.maxPartBytes = partBytes, .maxNesting = nesting, .maxZipExpandedBytes = zipBytes};
}
const WalkLimits kDesk;

struct WalkCase {
  std::string name;
  std::string input;  // below tests/desk
  WalkLimits limits;
  std::vector<std::string> found;
  std::vector<std::string> problems;
};

const std::string kJuergen = " | Jürgen Müller <juergen@kunde.example> | 2026-03-14T09:26:53+01:00 | "
                             "Stick zeigt kein Bild – Bericht | desk-1@mail.example";
const std::string kAna = " | Ana Lima <ana@cliente.example> | 2026-03-16T18:02:11-03:00 | Relatorio | desk-2@mail.example";
const std::string kTom = " | Tom Baker <tom@customer.example> | 2026-03-17T08:15:00+00:00 | No picture | desk-90@mail.example";
const std::string kOutlook = " | Outlook User <user@office.example> | 2026-03-19T14:30:00+02:00 | report | desk-4@mail.example";
const std::string kLuc = " | Luc Berard <luc@client.example> | 2026-03-20T11:11:11+01:00 | Rapport en ligne | desk-5@mail.example";
const std::string kRepeated = " | A <a@example.org> | 2026-03-22T07:00:00+09:00 | Beréard | desk-7@mail.example";

const WalkCase kWalkCases[] = {
    {"ExampleMailbox", "example.mbox", kDesk,
     {"example.mbox#1/SystemInfo.ini = tuner-stick, as written" + kJuergen,
      "example.mbox#2/relatorio.zip/SystemInfo.ini = tuner-cards, as written" + kAna,
      "example.mbox#3/part-2/SystemInfo.ini = tv-apps, as written" + kTom,
      "example.mbox#4/winmail.dat/SystemInfo.ini = xp-desk, as written" + kOutlook,
      "example.mbox#5/part-2 = xp-desk in LF, ends rewritten" + kLuc},
     {}},
    {"RepeatedAndNamelessParts", "inputs/repeated.eml", kDesk,
     {"inputs/repeated.eml/SystemInfo.ini = tuner-stick, as written" + kRepeated,
      "inputs/repeated.eml/SystemInfo.ini~2 = tuner-cards, as written" + kRepeated,
      "inputs/repeated.eml/part-4 = tv-apps, as written" + kRepeated,
      "inputs/repeated.eml/part-5 = 34 other bytes, ends rewritten" + kRepeated},
     {}},
    {"OutlookStream", "inputs/winmail.dat", kDesk,
     {"inputs/winmail.dat/SystemInfo.ini = xp-desk, as written",
      "inputs/winmail.dat/SYSTEM~2.INI = tuner-stick, as written"},
     {}},
    {"RepeatedTnefAttribute", "../../fuzz/corpus/desk_tnef_fuzz/repeated-title", kDesk, {},
     {"../../fuzz/corpus/desk_tnef_fuzz/repeated-title: not a readable TNEF stream"}},
    {"FolderWithoutFollowingLinks", "inputs/folder", kDesk,
     {"inputs/folder/Report.INI = tuner-stick, as written",
      "inputs/folder/sub/reports.bin/old/SystemInfo.ini = tuner-cards, as written",
      "inputs/folder/sub/reports.bin/mail.eml/SystemInfo.ini = tv-apps, as written" + kTom},
     {}},
    {"MaildirWithoutTmp", "inputs/maildir", kDesk,
     {"inputs/maildir/cur/1711000000.1.desk:2,S/SystemInfo.ini = tuner-stick, as written" + kJuergen,
      "inputs/maildir/new/1711000001.2.desk/relatorio.zip/SystemInfo.ini = tuner-cards, as written" + kAna},
     {}},
    {"AnyFileNamedIsACandidate", "inputs/folder/notes.txt", kDesk,
     {"inputs/folder/notes.txt = 20 other bytes, as written"}, {}},
    {"MailWithoutReport", "inputs/no-report.eml", kDesk, {}, {"inputs/no-report.eml: holds no report"}},
    {"Missing", "inputs/missing.eml", kDesk, {}, {"inputs/missing.eml: No such file or directory"}},
    {"SixteenZipsDeep", "inputs/deep16.zip", kDesk,
     {"inputs/deep16.zip/level1.zip/level2.zip/level3.zip/level4.zip/level5.zip/level6.zip/level7.zip/"
      "level8.zip/level9.zip/level10.zip/level11.zip/level12.zip/level13.zip/level14.zip/level15.zip/"
      "SystemInfo.ini = tuner-stick, as written"},
     {}},
    {"SeventeenZipsDeep", "inputs/deep17.zip", kDesk, {},
     {"inputs/deep17.zip/level1.zip/level2.zip/level3.zip/level4.zip/level5.zip/level6.zip/level7.zip/"
      "level8.zip/level9.zip/level10.zip/level11.zip/level12.zip/level13.zip/level14.zip/level15.zip/"
      "level16.zip: nested deeper than 16 levels, not opened"}},
    {"ZipBomb", "inputs/bomb.zip", kDesk, {}, {"inputs/bomb.zip: expands more than 100 times its size, not read further"}},
    // Mails, multiparts and containers in them count as levels.
    {"NestingInMail", "example.mbox", Limits(64 << 20, 2, 256 << 20),
     {"example.mbox#1/SystemInfo.ini = tuner-stick, as written" + kJuergen,
      "example.mbox#5/part-2 = xp-desk in LF, ends rewritten" + kLuc},
     {"example.mbox#2/relatorio.zip: nested deeper than 2 levels, not opened",
      "example.mbox#3/part-2: nested deeper than 2 levels, not opened",
      "example.mbox#4/winmail.dat: nested deeper than 2 levels, not opened"}},
    {"NestingInFolders", "inputs/folder", Limits(64 << 20, 1, 256 << 20),
     {"inputs/folder/Report.INI = tuner-stick, as written"},
     {"inputs/folder/sub: nested deeper than 1 levels, not opened"}},
    {"LargeMailboxMessages", "example.mbox", Limits(2000, 16, 256 << 20),
     {"example.mbox#1/SystemInfo.ini = tuner-stick, as written" + kJuergen},
     {"example.mbox#2: larger than 2000 bytes, not read", "example.mbox#3: larger than 2000 bytes, not read",
      "example.mbox#4: larger than 2000 bytes, not read", "example.mbox#5: larger than 2000 bytes, not read"}},
    {"LargeFileAndZipMember", "inputs/folder", Limits(4000, 16, 256 << 20),
     {"inputs/folder/Report.INI = tuner-stick, as written"},
     {"inputs/folder/sub/reports.bin/old/SystemInfo.ini: larger than 4000 bytes, not read",
      "inputs/folder/sub/reports.bin/mail.eml: larger than 4000 bytes, not read"}},
    {"ZipExpandingTooFar", "inputs/folder/sub/reports.bin", Limits(64 << 20, 16, 6000),
     {"inputs/folder/sub/reports.bin/old/SystemInfo.ini = tuner-cards, as written"},
     {"inputs/folder/sub/reports.bin: expands beyond 6000 bytes, not read further"}},
};

class WalkTable : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTable, FindsAndRefuses) {
  const WalkCase& test = GetParam();
  std::vector<std::string> found;
  std::vector<std::string> problems;
  WalkInput(
      kFixtures + test.input, test.limits, [&](FoundReport report) { found.push_back(Describe(report)); },
      [&](InputProblem problem) { problems.push_back(problem.input.substr(kFixtures.size()) + ": " + problem.reason); });
  EXPECT_EQ(found, test.found);
  EXPECT_EQ(problems, test.problems);
}

INSTANTIATE_TEST_SUITE_P(DeskInputs, WalkTable, ::testing::ValuesIn(kWalkCases),
                         [](const auto& info) { return info.param.name; });

// What first bytes and names make of a part.
struct SniffCase {
  std::string name;
  std::string bytes;
  bool report;
  bool mail;
  ContentKind kind;
};

const SniffCase kSniffCases[] = {
    {"Report", "[Tool Version]\r\n", true, false, ContentKind::kOther},
    {"ReportAfterMarkAndBlanks", "\xef\xbb\xbf \r\n\t[Tool Version]\r\n", true, false, ContentKind::kOther},
    {"OtherSectionFirst", "[Memory]\r\n[Tool Version]\r\n", false, false, ContentKind::kOther},
    {"MailHeader", "Received: by x\r\n\tfolded\r\nDate: Sat, 14 Mar 2026\r\n\r\nbody", false, true,
     ContentKind::kOther},
    {"FieldsWithoutSender", "Subject: hi\r\nTo: x\r\n\r\nFrom: later", false, false, ContentKind::kOther},
    {"TextWithColon", "Hello there: a note\nFrom: me\n", false, false, ContentKind::kOther},
    {"Zip", std::string("PK\x03\x04rest", 8), false, false, ContentKind::kZip},
    {"EmptyZip", std::string("PK\x05\x06", 4), false, false, ContentKind::kZip},
    {"Tnef", std::string("\x78\x9f\x3e\x22\x01\x01", 6), false, false, ContentKind::kTnef},
    {"Mbox", "From a@b Sat Mar 14 09:26:53 2026\n", false, false, ContentKind::kMbox},
};

class SniffTable : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffTable, TellsWhatTheBytesAre) {
  const SniffCase& test = GetParam();
  EXPECT_EQ(StartsLikeReport(test.bytes), test.report);
  EXPECT_EQ(StartsLikeMail(test.bytes), test.mail);
  EXPECT_EQ(SniffContent(test.bytes), test.kind);
}

INSTANTIATE_TEST_SUITE_P(DeskInputs, SniffTable, ::testing::ValuesIn(kSniffCases),
                         [](const auto& info) { return info.param.name; });

struct NamesCase {
  std::string name;
  std::vector<std::string> given;  // at positions 1, 2, ...
  std::vector<std::string> named;
};

const NamesCase kNamesCases[] = {
    {"Distinct", {"a.ini", "", "b.zip"}, {"a.ini", "part-2", "b.zip"}},
    {"Repeated", {"a.ini", "a.ini", "a.ini"}, {"a.ini", "a.ini~2", "a.ini~3"}},
    {"RepeatMeetsGivenName", {"a", "a~2", "a"}, {"a", "a~2", "a~3"}},
    {"GivenLikeGenerated", {"", "part-1"}, {"part-1", "part-1~2"}},
    {"ReportNamesInAnyCase", {"SystemInfo.INI", "systeminfo.ini"}, {"SystemInfo.INI", "systeminfo.ini"}},
};

class NamesTable : public ::testing::TestWithParam<NamesCase> {};

TEST_P(NamesTable, GivesEveryPartItsOwnName) {
  SourceNames names;
  std::vector<std::string> named;
  for (std::size_t i = 0; i < GetParam().given.size(); ++i) {
    named.push_back(names.Name(GetParam().given[i], static_cast<int>(i + 1)));
  }
  EXPECT_EQ(named, GetParam().named);
}

INSTANTIATE_TEST_SUITE_P(DeskInputs, NamesTable, ::testing::ValuesIn(kNamesCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarnwick::desk
