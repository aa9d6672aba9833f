// The report file writer: sequences of calls and the exact bytes they leave,
// through an in-memory file system and, on POSIX hosts, through the mapped
// drive over a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "app/report_file.h"
#include "report_test_files.h"

#ifdef TARNWICK_POSIX_FILES
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnwick {
namespace {

using testing_files::MemoryReportFiles;

// One step of a case: a call of the writer, or something that happens to the
// file behind its back.
struct Step {
  enum Kind { Entry, Separator, Clear, OtherAppends, OtherReplaces, OtherDeletes, NewWriter } kind;
  std::string section;
  std::string key;
  std::string value;  // the bytes for OtherAppends and OtherReplaces
};

Step E(std::string section, std::string key, std::string value) {
  return {Step::Entry, std::move(section), std::move(key), std::move(value)};
}
const Step Sep{Step::Separator, {}, {}, {}};
const Step Clear{Step::Clear, {}, {}, {}};
const Step Deleted{Step::OtherDeletes, {}, {}, {}};
const Step NewWriter{Step::NewWriter, {}, {}, {}};
Step Appended(std::string bytes) { return {Step::OtherAppends, {}, {}, std::move(bytes)}; }
Step Replaced(std::string bytes) { return {Step::OtherReplaces, {}, {}, std::move(bytes)}; }

struct WriterCase {
  const char* name;
  std::optional<std::string> before;  // nothing: no file
  std::vector<Step> steps;
  std::optional<std::string> after;  // nothing: no file
};

// What a case needs of a file system besides the writer's own calls.
class Disk {
 public:
  virtual ~Disk() = default;
  virtual ReportFiles& Files() = 0;
  virtual std::optional<std::string> Content() = 0;
  virtual void Set(const std::optional<std::string>& content) = 0;
  virtual void AppendBehind(const std::string& bytes) = 0;
};

class MemoryDisk final : public Disk {
 public:
  ReportFiles& Files() override { return files_; }
  std::optional<std::string> Content() override { return files_.Read(kReportPath); }
  void Set(const std::optional<std::string>& content) override {
    if (content) {
      files_.files[std::string(kReportPath)] = *content;
    } else {
      files_.files.erase(std::string(kReportPath));
    }
  }
  void AppendBehind(const std::string& bytes) override { files_.files[std::string(kReportPath)] += bytes; }
  MemoryReportFiles& Memory() { return files_; }

 private:
  MemoryReportFiles files_;
};

#ifdef TARNWICK_POSIX_FILES
class FolderDisk final : public Disk {
 public:
  FolderDisk() : files_(testing_files::DriveCFiles(folder_)) {}
  ReportFiles& Files() override { return files_; }
  std::optional<std::string> Content() override { return testing_files::ReadHost(Host()); }
  void Set(const std::optional<std::string>& content) override {
    if (content) {
      testing_files::WriteHost(Host(), *content);
    } else {
      std::remove(Host().c_str());
    }
  }
  void AppendBehind(const std::string& bytes) override { testing_files::WriteHost(Host(), bytes, true); }

 private:
  std::string Host() const { return folder_.Host("SystemInfo.ini"); }
  testing_files::ScratchFolder folder_;
  MappedReportFiles files_;
};
#endif

// Runs the steps and checks every call's result. Where the disk counts its
// writes, also checks the crash-safety rule: each call makes at most one
// write, and a change at the end of the file is one append.
void RunSteps(Disk& disk, const WriterCase& c, MemoryReportFiles* counted) {
  disk.Set(c.before);
  auto writer = std::make_unique<ReportFile>(disk.Files());
  for (std::size_t i = 0; i < c.steps.size(); ++i) {
    const Step& step = c.steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    const auto before = disk.Content();
    const int appends = counted ? counted->appends : 0;
    const int replaces = counted ? counted->replaces : 0;
    bool writerCall = true;
    switch (step.kind) {
      case Step::Entry:
        EXPECT_TRUE(writer->WriteEntry(step.section, step.key, step.value));
        break;
      case Step::Separator:
        EXPECT_TRUE(writer->AppendSeparator());
        break;
      case Step::Clear:
        EXPECT_TRUE(writer->Clear());
        EXPECT_FALSE(disk.Content().has_value());
        writerCall = false;  // a deletion, neither append nor replacement
        break;
      case Step::OtherAppends:
        disk.AppendBehind(step.value);
        writerCall = false;
        break;
      case Step::OtherReplaces:
        disk.Set(step.value);
        writerCall = false;
        break;
      case Step::OtherDeletes:
        disk.Set(std::nullopt);
        writerCall = false;
        break;
      case Step::NewWriter:
        writer = std::make_unique<ReportFile>(disk.Files());
        writerCall = false;
        break;
    }
    if (counted == nullptr || !writerCall) continue;
    const int appended = counted->appends - appends;
    const int replaced = counted->replaces - replaces;
    EXPECT_LE(appended + replaced, 1) << "more than one write in one call";
    const auto after = disk.Content();
    const bool grewAtEnd = after && after != before && after->starts_with(before.value_or(""));
    if (grewAtEnd) {
      EXPECT_EQ(appended, 1) << "an end-of-file change should be one append";
    } else if (after != before) {
      EXPECT_EQ(replaced, 1) << "a change inside the file should replace it whole";
    }
  }
}

void PrintTo(const WriterCase& c, std::ostream* out) { *out << c.name; }

class WriterCases : public testing::TestWithParam<WriterCase> {};

TEST_P(WriterCases, LeavesExactBytes) {
  const WriterCase& c = GetParam();
  {
    SCOPED_TRACE("in memory");
    MemoryDisk disk;
    RunSteps(disk, c, &disk.Memory());
    EXPECT_EQ(disk.Content(), c.after);
  }
  // Read in pieces that cut lines, CR LF pairs and headers anywhere.
  for (const std::size_t piece : {1u, 2u, 3u, 7u}) {
    SCOPED_TRACE("read in pieces of " + std::to_string(piece));
    MemoryDisk disk;
    disk.Memory().readPiece = piece;
    RunSteps(disk, c, &disk.Memory());
    EXPECT_EQ(disk.Content(), c.after);
  }
#ifdef TARNWICK_POSIX_FILES
  {
    SCOPED_TRACE("mapped folder");
    FolderDisk disk;
    RunSteps(disk, c, nullptr);
    EXPECT_EQ(disk.Content(), c.after);
  }
#endif
}

const std::optional<std::string> kNoFile;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, WriterCases, testing::Values(
    WriterCase{"MissingFileIsCreated", kNoFile,
        {E("Tool Version", "Tool Version", "2.5")},
        "[Tool Version]\r\nTool Version=2.5\r\n"},
    WriterCase{"SectionNamesIgnoreCase", kNoFile,
        {E("Windows OS", "a", "1"), E("Other", "x", "1"), E("WINDOWS os", "b", "2")},
        "[Windows OS]\r\na=1\r\nb=2\r\n[Other]\r\nx=1\r\n"},
    WriterCase{"ExistingKeyReplacedWhereItStands", kNoFile,
        {E("A", "k1", "1"), E("A", "k2", "2"), E("A", "k1", "3")},
        "[A]\r\nk1=3\r\nk2=2\r\n"},
    WriterCase{"NewKeyOfLastSectionAtEnd", kNoFile,
        {E("A", "k1", "1"), E("A", "k2", "2")},
        "[A]\r\nk1=1\r\nk2=2\r\n"},
    WriterCase{"NewKeyOfEarlierSectionAfterItsLastEntry", kNoFile,
        {E("A", "k1", "1"), E("B", "x", "1"), E("A", "k2", "2")},
        "[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nx=1\r\n"},
    WriterCase{"NewSectionAfterTrailingEmptyLines", kNoFile,
        {E("A", "k", "1"), Sep, Sep, E("B", "x", "1")},
        "[A]\r\nk=1\r\n\r\n\r\n[B]\r\nx=1\r\n"},
    WriterCase{"ForeignLinesStay", std::string(
        "; notes\r\nstray line\r\n[A]\r\n; comment\r\nk=1\r\n  \r\nnot an entry\r\n\r\n[B]\r\nx=1\r\n"),
        {E("A", "k", "2"), E("A", "n", "3"), E("B", "y", "4")},
        "; notes\r\nstray line\r\n[A]\r\n; comment\r\nk=2\r\n  \r\nnot an entry\r\nn=3\r\n\r\n[B]\r\nx=1\r\ny=4\r\n"},

    WriterCase{"EmptyValue", kNoFile,
        {E("A", "Key", ""), E("A", "k", "v"), E("A", "k", "")},
        "[A]\r\nKey=\r\nk=\r\n"},
    WriterCase{"SameKeyInTwoSections", kNoFile,
        {E("A", "Name", "1"), E("B", "Name", "2")},
        "[A]\r\nName=1\r\n[B]\r\nName=2\r\n"},
    WriterCase{"SameKeyTwiceInOneSection", kNoFile,
        {E("DeviceInfo", "Conexant ID 4", "first"), E("DeviceInfo", "Conexant ID 4_ProviderName", "p"),
         E("DeviceInfo", "Conexant ID 4", "second")},
        "[DeviceInfo]\r\nConexant ID 4=second\r\nConexant ID 4_ProviderName=p\r\n"},
    WriterCase{"KeyDifferingInCaseKeepsFirstSpelling", kNoFile,
        {E("A", "DriverDesc", "old"), E("A", "DRIVERDESC", "new")},
        "[A]\r\nDriverDesc=new\r\n"},
    WriterCase{"TwoSeparatorsInARow", kNoFile,
        {E("A", "k", "1"), Sep, Sep},
        "[A]\r\nk=1\r\n\r\n\r\n"},
    WriterCase{"SeparatorOnMissingFile", kNoFile, {Sep}, "\r\n"},
    WriterCase{"SectionAfterLeadingSeparator", kNoFile,
        {Sep, E("A", "k", "1"), NewWriter, E("A", "n", "2")},
        "\r\n[A]\r\nk=1\r\nn=2\r\n"},
    WriterCase{"LastSectionAgainAfterSeparator", kNoFile,
        {E("A", "k1", "1"), Sep, E("A", "k2", "2"), Sep, E("a", "k3", "3")},
        "[A]\r\nk1=1\r\n\r\nk2=2\r\n\r\nk3=3\r\n"},
    WriterCase{"EarlierSectionAgainAfterSeparator", kNoFile,
        {E("A", "k1", "1"), Sep, E("B", "x", "1"), Sep, E("A", "k2", "2")},
        "[A]\r\nk1=1\r\nk2=2\r\n\r\n[B]\r\nx=1\r\n\r\n"},
    WriterCase{"EarlierSectionOfSeveralGroups", kNoFile,
        {E("A", "k1", "1"), Sep, E("A", "k2", "2"), Sep, Sep, E("B", "x", "1"), E("A", "k3", "3")},
        "[A]\r\nk1=1\r\n\r\nk2=2\r\nk3=3\r\n\r\n\r\n[B]\r\nx=1\r\n"},

    WriterCase{"ValueWithLineFeed", kNoFile,
        {E("Windows OS", "Platform", "Microsoft Win32s\n")},
        "[Windows OS]\r\nPlatform=Microsoft Win32s \r\n"},
    WriterCase{"ValueWithLineFeedRewrittenAndReadAgain", kNoFile,
        {E("Windows OS", "Platform", "Microsoft Win32s\n"), E("Windows OS", "Version", "3.1"), Sep,
         E("B", "x", "1"), E("Windows OS", "Build", "5"), NewWriter,
         E("Windows OS", "Platform", "Microsoft Windows Millennium Edition\n"), E("WINDOWS OS", "Suite", "")},
        // The line feed is a blank: no empty line comes of it.
        "[Windows OS]\r\nPlatform=Microsoft Windows Millennium Edition \r\nVersion=3.1\r\nBuild=5\r\nSuite=\r\n"
        "\r\n[B]\r\nx=1\r\n"},
    WriterCase{"SeparatorAfterValueWithLineFeedReadAgain", kNoFile,
        {E("W", "Platform", "Microsoft Win32s\n"), Sep, NewWriter, E("W", "k", "1")},
        "[W]\r\nPlatform=Microsoft Win32s \r\n\r\nk=1\r\n"},
    WriterCase{"TrailingBlanksKept", kNoFile,
        {E("Filter Name", "NETWORK PROVIDER ", "x "), E("Filter Name", "NETWORK PROVIDER", "y"),
         E("Filter Name", "network provider ", "z  ")},
        "[Filter Name]\r\nNETWORK PROVIDER =z  \r\nNETWORK PROVIDER=y\r\n"},
    WriterCase{"Windows1252LettersIgnoreCase", kNoFile,
        {E("P\xE9riph\xE9rique", "Cl\xE9", "1"), E("P\xC9RIPH\xC9RIQUE", "CL\xC9", "2"),
         E("P\xE9riph\xE9rique", "\x9A", "3"), E("P\xE9riph\xE9rique", "\x8A", "4"),
         E("P\xE9riph\xE9rique", "\xFF", "5"), E("P\xE9riph\xE9rique", "\x9F", "6"),
         // Not letter pairs: multiplication and division sign, sharp s, micro sign.
         E("P\xE9riph\xE9rique", "\xD7", "7"), E("P\xE9riph\xE9rique", "\xF7", "8"),
         E("P\xE9riph\xE9rique", "\xDF", "9"), E("P\xE9riph\xE9rique", "\xB5", "10"),
         E("P\xE9riph\xE9rique", "?", "11")},
        "[P\xE9riph\xE9rique]\r\nCl\xE9=2\r\n\x9A=4\r\n\xFF=6\r\n\xD7=7\r\n\xF7=8\r\n\xDF=9\r\n\xB5=10\r\n?=11\r\n"},

    WriterCase{"MergedIntoOldReport", std::string(
        "[Tool Version]\r\nTool Version=2.4\r\n\r\n[Processor]\r\nProcessorName=Old CPU\r\n\r\n"),
        {E("Tool Version", "Tool Version", "2.5"), Sep, E("User Info", "User Name", "bob"),
         E("Processor", "ProcessorName", "New CPU"), Sep, E("Processor", "Speed", "3000")},
        "[Tool Version]\r\nTool Version=2.5\r\n\r\n[Processor]\r\nProcessorName=New CPU\r\nSpeed=3000\r\n\r\n\r\n"
        "[User Info]\r\nUser Name=bob\r\n\r\n"},
    WriterCase{"OpenLastLineGetsNewKey", std::string("[A]\r\nk=1"),
        {E("A", "k2", "2")}, "[A]\r\nk=1\r\nk2=2\r\n"},
    WriterCase{"OpenLastLineGetsNewSection", std::string("[A]\r\nk=1"),
        {E("B", "x", "1")}, "[A]\r\nk=1\r\n[B]\r\nx=1\r\n"},
    WriterCase{"OpenLastLineEndedBySeparator", std::string("[A]\r\nk=1"),
        {Sep, Sep}, "[A]\r\nk=1\r\n\r\n"},
    WriterCase{"OpenLastLineReplaced", std::string("[A]\r\nk=1"),
        {E("a", "K", "2")}, "[A]\r\nk=2\r\n"},
    WriterCase{"OpenLastHeader", std::string("[A]\r\nk=1\r\n[B]"),
        {E("A", "n", "2"), E("B", "x", "1")}, "[A]\r\nk=1\r\nn=2\r\n[B]\r\nx=1\r\n"},
    WriterCase{"LineFeedOnlyReportKeepsItsLineEnds", std::string("[A]\nk=1\n\n[B]\nx=1\n"),
        {E("B", "y", "2"), NewWriter, E("A", "k", "3"), E("B", "y", "4")},
        "[A]\nk=3\r\n\n[B]\nx=1\ny=4\r\n"},
    WriterCase{"LineFeedOnlyReportGetsSeparator", std::string("[A]\nk=1\n"),
        {Sep, NewWriter, E("A", "n", "2")},
        "[A]\nk=1\n\r\nn=2\r\n"},
    WriterCase{"MixedLineEndsKeepEveryOtherLine", std::string("[Tool Version]\r\nTool Version=2.4\n[Notes]\nkeep=me\r\n"),
        {E("Tool Version", "Tool Version", "2.5"), E("Notes", "keep", "again")},
        "[Tool Version]\r\nTool Version=2.5\r\n[Notes]\nkeep=again\r\n"},
    WriterCase{"LoneCrEndsALine", std::string("[A]\rk=1\r[B]\rx=1\r"),
        {E("a", "k", "2"), E("A", "n", "3"), Sep, E("B", "y", "4")},
        "[A]\rk=2\r\nn=3\r\n[B]\rx=1\r\r\ny=4\r\n"},
    // A text read from the machine can carry line breaks and a header: each
    // CR and LF is a blank, so the text stays on its entry's line and no
    // section or key comes of it.
    WriterCase{"ForgedHeaderInAValueStaysInItsLine", kNoFile,
        {E("Processor", "ProcessorName", "Intel CPU\r\n[Memory]\r\nTotalPhys=99999\r\n"), Sep,
         E("Memory", "MemoryLoad", "4"), E("Memory", "TotalPhys", "24105"), Sep, E("SystemInfo", "Locale", "1")},
        "[Processor]\r\nProcessorName=Intel CPU  [Memory]  TotalPhys=99999  \r\n\r\n[Memory]\r\nMemoryLoad=4\r\n"
        "TotalPhys=24105\r\n\r\n[SystemInfo]\r\nLocale=1\r\n"},
    WriterCase{"ForgedHeaderInAReplacedValue", kNoFile,
        {E("A", "k", "1"), E("A", "n", "2"), E("B", "x", "1"), E("A", "k", "v\n[B]\nx=forged"), E("B", "x", "2"),
         E("A", "n", "3")},
        "[A]\r\nk=v [B] x=forged\r\nn=3\r\n[B]\r\nx=2\r\n"},
    WriterCase{"ValueEndingInLoneCr", kNoFile,
        {E("A", "k", "x\r"), E("A", "n", "1"), E("A", "k", "y\r"), NewWriter, E("A", "k", "z"), Sep, E("A", "m", "2")},
        "[A]\r\nk=z\r\nn=1\r\n\r\nm=2\r\n"},
    WriterCase{"LineBreaksInSectionAndKeyAreBlanks", kNoFile,
        {E("MB\nInfo", "Serial\r\nNumber", "drv\n[MB Info]\nSerialNumber=FORGED"), E("MB Info", "SerialNumber", "real"),
         E("A\r", "k\r", "1"), E("a ", "K ", "2")},
        "[MB Info]\r\nSerial  Number=drv [MB Info] SerialNumber=FORGED\r\nSerialNumber=real\r\n[A ]\r\nk =2\r\n"},
    // A key that makes its line a header to a reader: the writer sees that
    // header too.
    WriterCase{"KeyThatMakesAHeader", kNoFile,
        {E("A", "[B]", "1"), E("B", "x", "2"), E("C", "y", "3"), E("B", "z", "4"), E("A", "k", "5"), E("A", "[D]", "6"),
         E("d", "w", "7")},
        "[A]\r\nk=5\r\n[D]=6\r\nw=7\r\n[B]=1\r\nx=2\r\nz=4\r\n[C]\r\ny=3\r\n"},

    WriterCase{"OtherProcessAppendedASection", kNoFile,
        {E("A", "k1", "1"), Appended("[Ext]\r\nz=1\r\n"), E("A", "k2", "2")},
        "[A]\r\nk1=1\r\nk2=2\r\n[Ext]\r\nz=1\r\n"},
    WriterCase{"OtherProcessAppendedAHeader", kNoFile,
        {E("A", "k1", "1"), Appended("[B]\r\n"), E("b", "x", "1")},
        "[A]\r\nk1=1\r\n[B]\r\nx=1\r\n"},
    WriterCase{"OtherProcessDeletedTheFile", kNoFile,
        {E("A", "k1", "1"), Deleted, E("A", "k2", "2")},
        "[A]\r\nk2=2\r\n"},
    WriterCase{"OtherProcessReplacedTheFile", kNoFile,
        {E("A", "k1", "1"), Replaced("[Z]\r\nq=1\r\n\r\n"), E("A", "k1", "2")},
        "[Z]\r\nq=1\r\n\r\n[A]\r\nk1=2\r\n"},

    WriterCase{"ClearMissingFile", kNoFile, {Clear}, kNoFile},
    WriterCase{"ClearOldReport", std::string("[A]\r\nk=1\r\n"), {Clear}, kNoFile},
    WriterCase{"ClearThenWriteAgain", kNoFile,
        {E("A", "k", "1"), Sep, Clear, E("A", "n", "2"), Clear, Sep},
        "\r\n"}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// The writer's model is the file as a reader splits it: after any sequence of
// calls, including values that carry line breaks and headers, a writer that
// reads the file afresh makes the same change as the one that wrote it.
TEST(ReportFile, ContinuingWriterActsAsOneThatReadsTheFileAfresh) {
  const char* const sections[] = {"S0", "s1", "S2", "Memory"};
  const char* const keys[] = {"k1", "K1", "k2", "x", "System ID 1", " [k"};
  const char* const values[] = {"", "v", "]", "a\n", "b\r", "c\r\n", "\r\n[S1]\r\nk1=forged\r\n", "[S2]",
                                "x=y\n[S0]\rq=1", "\n", "\r", "  [Memory] x"};
  MemoryReportFiles continuing;
  ReportFile writer(continuing);
  std::uint32_t seed = 12345;
  const auto next = [&seed](std::uint32_t bound) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % bound;
  };
  for (int call = 0; call < 600; ++call) {
    MemoryReportFiles fresh;
    fresh.files = continuing.files;
    ReportFile reader(fresh);
    const bool separator = next(7) == 0;
    const char* section = sections[next(std::size(sections))];
    const char* key = keys[next(std::size(keys))];
    const char* value = values[next(std::size(values))];
    if (separator) {
      ASSERT_TRUE(writer.AppendSeparator());
      ASSERT_TRUE(reader.AppendSeparator());
    } else {
      ASSERT_TRUE(writer.WriteEntry(section, key, value));
      ASSERT_TRUE(reader.WriteEntry(section, key, value));
    }
    ASSERT_TRUE(writer.Persist());
    ASSERT_TRUE(reader.Persist());
    ASSERT_EQ(continuing.files, fresh.files) << "call " << call;
  }
}

// A write that fails leaves the file as it was, and the writer forgets the
// change it could not make.
struct FailureCase {
  const char* name;
  bool failAppend;
  bool failReplace;
  std::function<bool(ReportFile&)> failing;
  std::string after;  // after "[A] k1=1, [B] x=1", the failing call and a last entry of B
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class WriterFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(WriterFailures, FailedWriteLeavesFileAndIsForgotten) {
  const FailureCase& c = GetParam();
  MemoryReportFiles files;
  ReportFile writer(files);
  ASSERT_TRUE(writer.WriteEntry("A", "k1", "1"));
  ASSERT_TRUE(writer.WriteEntry("B", "x", "1"));
  const std::string before = files.files.at(std::string(kReportPath));
  files.failAppend = c.failAppend;
  files.failReplace = c.failReplace;
  EXPECT_FALSE(c.failing(writer));
  EXPECT_EQ(files.files.at(std::string(kReportPath)), before);
  files.failAppend = files.failReplace = false;
  EXPECT_TRUE(writer.WriteEntry("B", "y", "2"));
  EXPECT_EQ(files.files.at(std::string(kReportPath)), c.after);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Failures, WriterFailures, testing::Values(
    FailureCase{"NewSection", true, false, [](ReportFile& w) { return w.WriteEntry("C", "c", "3"); },
                "[A]\r\nk1=1\r\n[B]\r\nx=1\r\ny=2\r\n"},
    FailureCase{"NewKeyOfLastSection", true, false, [](ReportFile& w) { return w.WriteEntry("B", "z", "3"); },
                "[A]\r\nk1=1\r\n[B]\r\nx=1\r\ny=2\r\n"},
    FailureCase{"Separator", true, false, [](ReportFile& w) { return w.AppendSeparator(); },
                "[A]\r\nk1=1\r\n[B]\r\nx=1\r\ny=2\r\n"},
    FailureCase{"NewKeyOfEarlierSection", false, true, [](ReportFile& w) { return w.WriteEntry("A", "k2", "2"); },
                "[A]\r\nk1=1\r\n[B]\r\nx=1\r\ny=2\r\n"},
    FailureCase{"ReplacedKey", false, true, [](ReportFile& w) { return w.WriteEntry("A", "k1", "9"); },
                "[A]\r\nk1=1\r\n[B]\r\nx=1\r\ny=2\r\n"}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Devices as the inventory writes them: each one's "Media" group lands
// before the growing last section, "System Device Info". Past the rewrite
// budget the changes wait for the end of a step: the bytes written stay
// within a fixed multiple of the report, the report is the same, and the
// file on disk is always the report as it stood after one of the calls.
struct GrowthCase {
  const char* name;
  int devices;
  int devicesPerStep;  // 0: one step for all
  double mostBytesPerByte;
  bool everyCallAtOnce;  // the file is always the state after the last call
};

void PrintTo(const GrowthCase& c, std::ostream* out) { *out << c.name; }

class WriterGrowth : public testing::TestWithParam<GrowthCase> {};

TEST_P(WriterGrowth, WritesInProportionToTheReport) {
  const GrowthCase& c = GetParam();
  const auto media = [](int d, int i) { return "Media" + std::to_string(i) + "_" + std::to_string(d); };
  const auto system = [](int d) { return "System ID " + std::to_string(d) + "=PCI\\VEN_" + std::to_string(d); };
  // The report built by hand, and the states a writer that writes every call
  // at once passes through (by size and hash).
  std::string expected = "[Media]\r\n";
  for (int d = 0; d < c.devices; ++d) {
    for (int i = 0; i < 5; ++i) expected += media(d, i) + "=driver value\r\n";
  }
  expected += "\r\n[System Device Info]\r\n" + system(0) + "\r\n";
  for (int d = 1; d < c.devices; ++d) expected += "\r\n" + system(d) + "\r\n";

  std::vector<std::pair<std::size_t, std::size_t>> states{{0, 0}};
  MemoryReportFiles files;
  MemoryReportFiles everyCall;
  ReportFile writer(files);
  ReportFile reference(everyCall);
  std::size_t lastState = 0;
  const auto call = [&](const std::function<bool(ReportFile&)>& change) {
    ASSERT_TRUE(change(writer));
    ASSERT_TRUE(change(reference) && reference.Persist());
    const std::string& now = everyCall.files.at(std::string(kReportPath));
    states.emplace_back(now.size(), std::hash<std::string>{}(now));
    const std::string& disk = files.files.at(std::string(kReportPath));
    const std::pair<std::size_t, std::size_t> state{disk.size(), std::hash<std::string>{}(disk)};
    const auto found = std::find(states.begin() + static_cast<std::ptrdiff_t>(lastState), states.end(), state);
    ASSERT_NE(found, states.end()) << "a file no call left, or an earlier state again";
    lastState = static_cast<std::size_t>(found - states.begin());
    if (c.everyCallAtOnce) {
      EXPECT_EQ(disk, now);
    }
  };
  for (int d = 0; d < c.devices; ++d) {
    for (int i = 0; i < 5; ++i) call([&](ReportFile& w) { return w.WriteEntry("Media", media(d, i), "driver value"); });
    call([](ReportFile& w) { return w.AppendSeparator(); });
    call([&](ReportFile& w) { return w.WriteEntry("System Device Info", "System ID " + std::to_string(d), "PCI\\VEN_" + std::to_string(d)); });
    if (c.devicesPerStep > 0 && (d + 1) % c.devicesPerStep == 0) {
      ASSERT_TRUE(writer.Persist());
    }
  }
  ASSERT_TRUE(writer.Settle());
  EXPECT_FALSE(writer.Waiting());
  EXPECT_EQ(files.files.at(std::string(kReportPath)), expected);
  EXPECT_EQ(everyCall.files.at(std::string(kReportPath)), expected);
  const double bytesPerByte = static_cast<double>(files.bytesWritten) / static_cast<double>(expected.size());
  EXPECT_LE(bytesPerByte, c.mostBytesPerByte);
  // The writer that writes every call at once grows with the square.
  if (c.devices >= 400) {
    EXPECT_GT(static_cast<double>(everyCall.bytesWritten) / static_cast<double>(expected.size()), 40.0);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, WriterGrowth, testing::Values(
    // Within the budget every call reaches the file at once.
    GrowthCase{"FewDevicesEveryCallAtOnce", 3, 0, ReportFile::kRewriteBudget + 1, true},
    GrowthCase{"ManyDevicesOneStep", 600, 0, ReportFile::kRewriteBudget + 2, false},
    GrowthCase{"ManyDevicesTenSteps", 600, 60, ReportFile::kRewriteBudget + 2 + 10, false}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// An earlier report that cannot be removed, merged into by a run of steps:
// read once, whether or not the writes fail, unless it changes behind the
// writer's back.
struct EarlierReportCase {
  const char* name;
  bool failAppend;
  bool failReplace;
  bool changedBehind;  // another process appends to it once, at the end of a step
  int reads;
  // Bytes handed to writes, failed ones too, per byte of the earlier report:
  // a file that cannot be written is not written whole at every step.
  double mostWrittenPerByte;
};

void PrintTo(const EarlierReportCase& c, std::ostream* out) { *out << c.name; }

class EarlierReport : public testing::TestWithParam<EarlierReportCase> {};

TEST_P(EarlierReport, IsReadOnce) {
  const EarlierReportCase& c = GetParam();
  std::string earlier = "[Tool Version]\r\nTool Version=2.4\r\n\r\n[Media]\r\n";
  for (int d = 0; d < 2000; ++d) earlier += "DeviceID" + std::to_string(d) + "=an earlier device\r\n";
  earlier += "\r\n[System Device Info]\r\n";
  for (int d = 0; d < 2000; ++d) earlier += "System ID " + std::to_string(d) + "=PCI\\VEN_OLD\r\n";
  MemoryReportFiles files;
  files.files[std::string(kReportPath)] = earlier;
  files.failDelete = true;
  ReportFile writer(files);
  EXPECT_FALSE(writer.Clear());
  files.failAppend = c.failAppend;
  files.failReplace = c.failReplace;
  bool allWritten = writer.WriteEntry("Tool Version", "Tool Version", "2.5") && writer.AppendSeparator();
  for (int d = 0; d < 300; ++d) {
    allWritten = writer.WriteEntry("Media", "DeviceID" + std::to_string(d * 3), "this run's") && allWritten;
    allWritten = writer.WriteEntry("System Device Info", "System ID " + std::to_string(d), "PCI\\VEN_NEW") && allWritten;
    if (d % 30 == 29) allWritten = writer.Persist() && allWritten;
    if (c.changedBehind && d == 149) files.files[std::string(kReportPath)] += "[Other]\r\nx=1\r\n";
  }
  allWritten = writer.Settle() && allWritten;
  EXPECT_EQ(files.reads, c.reads);
  EXPECT_LE(static_cast<double>(files.bytesWritten) / static_cast<double>(earlier.size()), c.mostWrittenPerByte);
  EXPECT_EQ(allWritten, !c.failAppend && !c.failReplace);
  const std::string& report = files.files.at(std::string(kReportPath));
  if (c.failReplace) {
    // Only a separator can have been appended.
    EXPECT_TRUE(report.starts_with(earlier));
    EXPECT_LE(report.size(), earlier.size() + 2);
  } else {
    EXPECT_TRUE(report.starts_with("[Tool Version]\r\nTool Version=2.5\r\n\r\n[Media]\r\nDeviceID0=this run's\r\n"));
    EXPECT_NE(report.find("\r\nDeviceID1=an earlier device\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nSystem ID 299=PCI\\VEN_NEW\r\nSystem ID 300=PCI\\VEN_OLD\r\n"), std::string::npos);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, EarlierReport, testing::Values(
    EarlierReportCase{"Writable", false, false, false, 1, ReportFile::kRewriteBudget + 12},
    EarlierReportCase{"NothingCanBeWritten", true, true, false, 1, ReportFile::kRewriteBudget + 2},
    EarlierReportCase{"OnlyAppendsFail", true, false, false, 1, ReportFile::kRewriteBudget + 12},
    EarlierReportCase{"OnlyReplacementsFail", false, true, false, 1, ReportFile::kRewriteBudget + 2},
    EarlierReportCase{"ChangedBehindTheWriter", false, false, true, 2, ReportFile::kRewriteBudget + 12}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ReportFile, UnreadableFileIsLeftAlone) {
  MemoryReportFiles files;
  const std::string old = "[A]\r\nk=1\r\n";
  files.files[std::string(kReportPath)] = old;
  files.failRead = true;
  ReportFile writer(files);
  // Without its content the writer could only duplicate or drop sections.
  EXPECT_FALSE(writer.WriteEntry("A", "k", "2"));
  EXPECT_FALSE(writer.WriteEntry("B", "x", "1"));
  EXPECT_FALSE(writer.AppendSeparator());
  EXPECT_EQ(files.files.at(std::string(kReportPath)), old);
  files.failRead = false;
  EXPECT_TRUE(writer.WriteEntry("A", "k", "2"));
  EXPECT_EQ(files.files.at(std::string(kReportPath)), "[A]\r\nk=2\r\n");
}

TEST(ReportFile, ClearFailsOnlyWhenAnExistingFileStays) {
  MemoryReportFiles files;
  files.failDelete = true;
  ReportFile writer(files);
  EXPECT_TRUE(writer.Clear());  // nothing to delete
  ASSERT_TRUE(writer.WriteEntry("A", "k", "1"));
  EXPECT_FALSE(writer.Clear());
  // The file that stayed is merged into, not started afresh.
  ASSERT_TRUE(writer.WriteEntry("A", "k", "2"));
  EXPECT_EQ(files.files.at(std::string(kReportPath)), "[A]\r\nk=2\r\n");
}

#ifdef TARNWICK_POSIX_FILES

struct HostPathCase {
  const char* windows;
  std::optional<std::string> host;  // below the folder of drive C, "/c" standing for it
};

TEST(MappedReportFiles, HostPaths) {
  DriveMap drives;
  drives.Map('C', "/c/");
  drives.Map('d', "/data/d");
  const HostPathCase cases[] = {
      {"C:\\SystemInfo.ini", "/c/SystemInfo.ini"},
      {"c:\\Tarnwick\\\\SystemInfo.ini", "/c/Tarnwick/SystemInfo.ini"},
      {"D:\\Tools\\SystemInfo.ini", "/data/d/Tools/SystemInfo.ini"},
      {"E:\\SystemInfo.ini", std::nullopt},
      {"SystemInfo.ini", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(drives.HostPath(c.windows), c.host) << c.windows;
}

TEST(MappedReportFiles, ReplaceLeavesNoTemporaryAndCopyOntoItselfKeepsFile) {
  testing_files::ScratchFolder folder;
  MappedReportFiles files = testing_files::DriveCFiles(folder);
  ASSERT_TRUE(files.Append("C:\\SystemInfo.ini", "[A]\r\n"));
  ASSERT_TRUE(files.ReplaceAtomically("C:\\SystemInfo.ini", "[B]\r\n"));
  EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), "[B]\r\n");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"SystemInfo.ini"});
  EXPECT_TRUE(files.Copy("C:\\SystemInfo.ini", "c:\\\\SystemInfo.ini"));
  EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), "[B]\r\n");
  EXPECT_FALSE(files.Copy("C:\\SystemInfo.ini", "C:\\Missing\\SystemInfo.ini"));
  EXPECT_TRUE(files.Delete("C:\\SystemInfo.ini"));
  EXPECT_FALSE(files.Delete("C:\\SystemInfo.ini"));
  EXPECT_FALSE(files.Size("C:\\SystemInfo.ini").has_value());
}

TEST(MappedReportFiles, AppendsOnAndAcrossPageBoundariesKeepEveryByte) {
  testing_files::ScratchFolder folder;
  MappedReportFiles files = testing_files::DriveCFiles(folder);
  const long page = ::sysconf(_SC_PAGESIZE);
  std::string expected;
  // Up to one byte before the boundary, exactly onto it, across it, and a
  // long append across several pages.
  for (const std::size_t length : {std::size_t(page - 3), std::size_t(2), std::size_t(3), std::size_t(2 * page + 7)}) {
    const std::string bytes(length, static_cast<char>('a' + expected.size() % 26));
    ASSERT_TRUE(files.Append("C:\\SystemInfo.ini", bytes));
    expected += bytes;
    EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), expected);
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"SystemInfo.ini"});
}

// A large report goes through the file layer in pieces: read back in pieces
// of at most 1 MiB that join to the file, and written from pieces into the
// longer file an earlier replacement left beside it, cut where they end.
TEST(MappedReportFiles, ReadsAndReplacesLargeReportsInPieces) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kMiB - 1, kMiB, kMiB + 1, 2 * kMiB + 5}) {
    SCOPED_TRACE("size " + std::to_string(size));
    testing_files::ScratchFolder folder;
    MappedReportFiles files = testing_files::DriveCFiles(folder);
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + (i + i / 4093) % 26);
    testing_files::WriteHost(folder.Host("SystemInfo.ini"), std::string(3 * kMiB, 'x'));
    ASSERT_TRUE(files.ReplaceAgain(kReportPath, content));  // the 3 MiB file stays beside it
    const std::string_view whole = content;
    const std::string_view pieces[] = {whole.substr(0, size / 3), whole.substr(size / 3, 0), whole.substr(size / 3)};
    ASSERT_TRUE(files.ReplaceAgainInPieces(kReportPath, pieces));
    EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), content);
    const auto read = files.ReadPieces(kReportPath);
    ASSERT_TRUE(read.has_value());
    std::string joined;
    for (const std::string& piece : *read) {
      EXPECT_TRUE(!piece.empty() && piece.size() <= kMiB) << piece.size();
      joined += piece;
    }
    EXPECT_EQ(joined, content);
    files.Settle(kReportPath);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"SystemInfo.ini"});
  }
  testing_files::ScratchFolder folder;
  MappedReportFiles files = testing_files::DriveCFiles(folder);
  EXPECT_FALSE(files.ReadPieces(kReportPath).has_value());
  ASSERT_EQ(::mkdir(folder.Host("SystemInfo.ini").c_str(), 0755), 0);
  EXPECT_FALSE(files.ReadPieces(kReportPath).has_value());
  ASSERT_TRUE(files.LastFailure().has_value());
  EXPECT_EQ(files.LastFailure()->reason, "it is a folder");
}

// Temporary files get names no other file has; nothing is reached through a
// link at the report's, the copy's or the old temporary's name.
TEST(MappedReportFiles, NoOtherFileIsOpenedOrFollowed) {
  testing_files::ScratchFolder folder;
  testing_files::ScratchFolder elsewhere;
  MappedReportFiles files = testing_files::DriveCFiles(folder);
  const std::string victim = elsewhere.Host("victim");
  testing_files::WriteHost(victim, "secret\n");
  testing_files::WriteHost(folder.Host("SystemInfo.ini.tmp"), "unrelated");
  ASSERT_EQ(::symlink(victim.c_str(), folder.Host("copy.ini.tmp").c_str()), 0);
  ASSERT_EQ(::symlink(victim.c_str(), folder.Host("SystemInfo.ini").c_str()), 0);
  ASSERT_EQ(::symlink(victim.c_str(), folder.Host("copy.ini").c_str()), 0);
  // A named pipe nobody writes to would make a reader wait without end.
  ASSERT_EQ(::mkfifo(folder.Host("pipe.ini").c_str(), 0600), 0);
  EXPECT_FALSE(files.Read("C:\\pipe.ini").has_value());
  // Nor is anything written there: the pipe is neither opened nor replaced.
  EXPECT_FALSE(files.Append("C:\\pipe.ini", "[P]\r\n"));
  struct stat pipe {};
  EXPECT_TRUE(::lstat(folder.Host("pipe.ini").c_str(), &pipe) == 0 && S_ISFIFO(pipe.st_mode));

  // A link at the report's name is no report: not read, not appended to.
  EXPECT_FALSE(files.Size("C:\\SystemInfo.ini").has_value());
  EXPECT_FALSE(files.Read("C:\\SystemInfo.ini").has_value());
  ReportFile report(files);
  ASSERT_TRUE(report.WriteEntry("A", "k", "1"));
  ASSERT_TRUE(report.WriteEntry("A", "n", "2"));
  ASSERT_TRUE(report.AppendSeparator());
  ASSERT_TRUE(files.ReplaceAtomically("C:\\SystemInfo.ini", "[B]\r\n"));
  ASSERT_TRUE(files.Copy("C:\\SystemInfo.ini", "C:\\copy.ini"));

  EXPECT_EQ(testing_files::ReadHost(victim), "secret\n");
  EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini.tmp")), "unrelated");
  EXPECT_EQ(testing_files::ReadHost(folder.Host("copy.ini")), "[B]\r\n");
  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"SystemInfo.ini", "SystemInfo.ini.tmp", "copy.ini", "copy.ini.tmp", "pipe.ini"}));
  EXPECT_EQ(elsewhere.Names(), std::vector<std::string>{"victim"});
}

// A write cut short (a full disk; here a file size limit) must not leave
// half an entry at the end of the report.
TEST(MappedReportFiles, AppendCutShortLeavesFileAsItWas) {
  testing_files::ScratchFolder folder;
  MappedReportFiles files = testing_files::DriveCFiles(folder);
  const std::string before = "[A]\r\nk=1\r\n";
  ASSERT_TRUE(files.Append("C:\\SystemInfo.ini", before));

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{before.size() + 5, limit.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool appended = files.Append("C:\\SystemInfo.ini", "[B]\r\nx=123456789\r\n");
  const bool replaced = files.ReplaceAtomically("C:\\SystemInfo.ini", "[B]\r\nx=123456789\r\n");
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(appended);
  EXPECT_FALSE(replaced);
  EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), before);
}

#endif

}  // namespace
}  // namespace tarnwick
