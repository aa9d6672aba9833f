// The file version reader and the stamp value of one file, through the
// replay layer's files.
#include <gtest/gtest.h>

#include <string>

#include "tests/case_names.h"
#include "collectors/tuner/file_stamp.h"
#include "collectors/tuner/file_version_reader.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;

constexpr const char* kFiles = R"({"files": {
  "C:\\WINDOWS\\system32\\quartz.dll": {"version": "6.5.2600.5512", "modified": "2008-04-14 00:12:00"},
  "C:\\Apps\\TV\\MainPanel.exe": {"version": "2.1.0.57", "modified": "2010-03-15 14:07:09"},
  "C:\\Apps\\TV\\Max.ax": {"version": "10.0.0.65535", "modified": "2001-12-31 00:00:01"},
  "C:\\Apps\\TV\\NoResource.exe": {"modified": "2010-03-15 14:07:09"},
  "C:\\Apps\\TV\\NoTranslation.exe": {"version": "1.2.3.4", "translation": false, "modified": "2010-03-15 14:07:09"},
  "C:\\Apps\\TV\\WrongSignature.exe": {"version": "1.2.3.4", "signature": 4277009102, "modified": "2010-03-15 14:07:09"},
  "C:\\Apps\\TV\\NoTimeStamp.exe": {"version": "3.0.1.95"},
  "C:\\Apps\\TV\\Year2000.exe": {"version": "1.0.0.0", "modified": "2000-01-09 23:59:59"}
}})";

struct StampCase {
  const char* name;
  std::string path;
  std::optional<std::string> value;
};

class FileStamp : public testing::TestWithParam<StampCase> {};

TEST_P(FileStamp, VersionAndDateOrNothing) {
  const auto& c = GetParam();
  std::optional<std::string> value;
  bool readerReset = false;
  RunCollector(
      [&](CollectorContext& context) {
        value = FileStampValue(context, c.path);
        const FileVersionReader& reader = context.state.FileReader(context.platform.fileVersions);
        readerReset = !reader.HoldsBlock() && !reader.valid() && reader.fixedInfo().signature == 0;
      },
      kFiles);
  EXPECT_EQ(value, c.value);
  // "No version" always leaves the reader reset; a version keeps its block.
  EXPECT_EQ(readerReset, !c.value.has_value());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, FileStamp, testing::Values(
    StampCase{"CompleteResource", "C:\\WINDOWS\\system32\\quartz.dll", "6.5.2600.5512 Date:04/14/08 00:12:00"},
    StampCase{"PathComparedWithoutCase", "c:\\windows\\SYSTEM32\\\\quartz.DLL", "6.5.2600.5512 Date:04/14/08 00:12:00"},
    StampCase{"Part65535UnsignedJustAfterMidnight", "C:\\Apps\\TV\\Max.ax", "10.0.0.65535 Date:12/31/01 00:00:01"},
    StampCase{"YearOfTwoThousand", "C:\\Apps\\TV\\Year2000.exe", "1.0.0.0 Date:01/09/00 23:59:59"},
    StampCase{"MissingFile", "C:\\Apps\\TV\\Missing.exe", std::nullopt},
    StampCase{"NoVersionResource", "C:\\Apps\\TV\\NoResource.exe", std::nullopt},
    StampCase{"NoTranslationTable", "C:\\Apps\\TV\\NoTranslation.exe", std::nullopt},
    StampCase{"WrongSignature", "C:\\Apps\\TV\\WrongSignature.exe", std::nullopt},
    StampCase{"TimeStampGone", "C:\\Apps\\TV\\NoTimeStamp.exe", "3.0.1.95 Date:Unknown"},
    StampCase{"PathOf260Characters", "C:\\" + std::string(257, 'a'), std::nullopt}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(FileVersionReader, SecondLoadReplacesOrFreesTheFirstBlock) {
  RunCollector(
      [](CollectorContext& context) {
        FileVersionReader& reader = context.state.FileReader(context.platform.fileVersions);
        ASSERT_TRUE(reader.Load("C:\\Apps\\TV\\MainPanel.exe"));
        EXPECT_EQ(reader.fixedInfo().fileVersionMS, (2u << 16) | 1u);
        EXPECT_EQ(reader.translationCount(), 1u);
        ASSERT_TRUE(reader.Load("C:\\WINDOWS\\system32\\quartz.dll"));
        EXPECT_EQ(reader.fixedInfo().fileVersionLS, (2600u << 16) | 5512u);
        // No path at all changes nothing.
        EXPECT_FALSE(reader.Load(std::nullopt));
        EXPECT_TRUE(reader.HoldsBlock());
        EXPECT_FALSE(reader.Load("C:\\Apps\\TV\\NoTranslation.exe"));
        EXPECT_FALSE(reader.HoldsBlock());
        EXPECT_EQ(reader.translationCount(), 0u);
      },
      kFiles);
}

TEST(FileStamp, EachFileKeepsItsOwnDate) {
  RunCollector(
      [](CollectorContext& context) {
        EXPECT_EQ(FileStampValue(context, "C:\\Apps\\TV\\MainPanel.exe"), "2.1.0.57 Date:03/15/10 14:07:09");
        // The earlier file's date never reaches a file whose stamp is gone.
        EXPECT_EQ(FileStampValue(context, "C:\\Apps\\TV\\NoTimeStamp.exe"), "3.0.1.95 Date:Unknown");
        EXPECT_FALSE(FileStampValue(context, "C:\\Apps\\TV\\Missing.exe").has_value());
        EXPECT_EQ(context.state.versionText, "3.0.1.95");
      },
      kFiles);
}

}  // namespace
}  // namespace tarnwick
