// The Linux layer's file versions: Windows paths through the drive map to
// host files, their version resources and their local modification times.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/case_names.h"
#include "collectors/tuner/file_stamp.h"
#include "collectors/tuner/file_version_reader.h"
#include "pe/pe_samples.h"
#include "platform/linux/linux_file_versions.h"
#include "platform/linux/linux_platform.h"
#include "platform/pe/version_info.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-pe.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

DriveMap DriveC(const fs::path& folder) {
  DriveMap drives;
  drives.Map('C', folder.string());
  return drives;
}

void CopySample(const char* sample, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(pe_samples::SamplePath(sample), to, fs::copy_options::overwrite_existing);
}

std::optional<VersionParts> VersionAt(LinuxFileVersions& versions, std::string_view path) {
  const auto block = versions.LoadVersionBlock(path);
  return block ? FileVersionOf(*block) : std::nullopt;
}

class LinuxVersions : public testing::Test {
 protected:
  void SetUp() override {
    CopySample("with_translation32.exe", scratch_.path() / "Apps" / "TV" / "MainPanel.exe");
    CopySample("without_translation32.exe", scratch_.path() / "Apps" / "TV" / "NoTable.exe");
    CopySample("wide_parts64.dll", scratch_.path() / "Apps" / "TV" / "Filter.ax");
  }

  ScratchFolder scratch_;
  LinuxFileVersions versions_{DriveC(scratch_.path()), 'C'};
};

struct PathCase {
  const char* name;
  const char* windowsPath;
  std::optional<VersionParts> version;
};

class LinuxVersionPaths : public LinuxVersions, public testing::WithParamInterface<PathCase> {};

TEST_P(LinuxVersionPaths, ReadThroughTheDriveMap) {
  EXPECT_EQ(VersionAt(versions_, GetParam().windowsPath), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LinuxVersionPaths,
    testing::Values(PathCase{"Program", "C:\\Apps\\TV\\MainPanel.exe", VersionParts{6, 5, 2600, 5512}},
                    PathCase{"Library64", "C:\\Apps\\TV\\Filter.ax", VersionParts{10, 0, 0, 65535}},
                    PathCase{"DoubledSeparators", "C:\\\\Apps\\TV\\\\MainPanel.exe", VersionParts{6, 5, 2600, 5512}},
                    PathCase{"NoTranslationTable", "C:\\Apps\\TV\\NoTable.exe", std::nullopt},
                    PathCase{"Missing", "C:\\Apps\\TV\\Missing.exe", std::nullopt},
                    PathCase{"Folder", "C:\\Apps\\TV", std::nullopt},
                    PathCase{"DriveNotMapped", "D:\\Apps\\TV\\MainPanel.exe", std::nullopt},
                    PathCase{"NoDrive", "Apps\\TV\\MainPanel.exe", std::nullopt},
                    PathCase{"OnTheCurrentDrive", "\\Apps\\TV\\MainPanel.exe", VersionParts{6, 5, 2600, 5512}},
                    PathCase{"NetworkShare", "\\\\Apps\\TV\\MainPanel.exe", std::nullopt}),
    [](const testing::TestParamInfo<PathCase>& info) { return info.param.name; });

TEST_F(LinuxVersions, NoBlockForFilesThatAreNoImages) {
  const fs::path folder = scratch_.path() / "Odd";
  fs::create_directories(folder);
  std::ofstream(folder / "empty.dll").close();
  std::ofstream(folder / "text.dll") << "MZ but nothing more";
  ASSERT_EQ(::mkfifo((folder / "pipe.dll").c_str(), 0600), 0);
  for (const char* path : {"C:\\Odd\\empty.dll", "C:\\Odd\\text.dll", "C:\\Odd\\pipe.dll"}) {
    // The named pipe has no writer: opening it must not wait for one.
    EXPECT_EQ(versions_.LoadVersionBlock(path), nullptr) << path;
  }
}

TEST_F(LinuxVersions, FilesUpToTheSizeLimitAreRead) {
  // Sparse files: the sample at the start, then a hole up to the size.
  const fs::path atLimit = scratch_.path() / "AtLimit.exe";
  const fs::path overLimit = scratch_.path() / "OverLimit.exe";
  CopySample("with_translation32.exe", atLimit);
  CopySample("with_translation32.exe", overLimit);
  fs::resize_file(atLimit, kMaxVersionedFileSize);
  fs::resize_file(overLimit, kMaxVersionedFileSize + 1);
  EXPECT_EQ(VersionAt(versions_, "C:\\AtLimit.exe"), (VersionParts{6, 5, 2600, 5512}));
  EXPECT_EQ(VersionAt(versions_, "C:\\OverLimit.exe"), std::nullopt);
}

TEST_F(LinuxVersions, BlockOutlivesTheFile) {
  auto block = versions_.LoadVersionBlock("C:\\Apps\\TV\\MainPanel.exe");
  ASSERT_TRUE(block);
  fs::remove(scratch_.path() / "Apps" / "TV" / "MainPanel.exe");
  EXPECT_EQ(FileVersionOf(*block), (VersionParts{6, 5, 2600, 5512}));
}

TEST_F(LinuxVersions, ReaderSeesTheWholeTranslationTable) {
  FileVersionReader reader(versions_);
  ASSERT_TRUE(reader.Load(std::string_view("C:\\Apps\\TV\\Filter.ax")));
  EXPECT_EQ(reader.translationCount(), 2u);
  EXPECT_EQ(reader.FirstTranslation(), (std::pair<std::uint16_t, std::uint16_t>(0x0407, 1200)));
  EXPECT_FALSE(reader.Load(std::string_view("C:\\Apps\\TV\\NoTable.exe")));
  EXPECT_FALSE(reader.HoldsBlock());
}

// Modification times given as local calendar times come back unchanged,
// whatever the host's time zone.
struct TimeCase {
  const char* name;
  LocalTime local;
};

class LinuxWriteTimes : public LinuxVersions, public testing::WithParamInterface<TimeCase> {};

TEST_P(LinuxWriteTimes, AreTheLocalModificationTime) {
  const LocalTime& want = GetParam().local;
  std::tm calendar{};
  calendar.tm_year = want.year - 1900;
  calendar.tm_mon = want.month - 1;
  calendar.tm_mday = want.day;
  calendar.tm_hour = want.hour;
  calendar.tm_min = want.minute;
  calendar.tm_sec = want.second;
  calendar.tm_isdst = -1;
  const std::time_t when = std::mktime(&calendar);
  const fs::path file = scratch_.path() / "Apps" / "TV" / "MainPanel.exe";
  const timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

  const auto got = versions_.LastWriteTime("C:\\Apps\\TV\\MainPanel.exe");
  ASSERT_TRUE(got);
  EXPECT_EQ(DateText(*got), DateText(want));
}

INSTANTIATE_TEST_SUITE_P(Times, LinuxWriteTimes,
                         testing::Values(TimeCase{"Afternoon", {2010, 3, 15, 14, 7, 9}},
                                         TimeCase{"JustAfterMidnight", {2001, 12, 31, 0, 0, 1}},
                                         TimeCase{"YearTwoThousand", {2000, 1, 9, 23, 59, 59}}),
                         [](const testing::TestParamInfo<TimeCase>& info) { return info.param.name; });

TEST_F(LinuxVersions, NoWriteTimeWithoutAFile) {
  EXPECT_FALSE(versions_.LastWriteTime("C:\\Apps\\TV\\Missing.exe"));
  EXPECT_FALSE(versions_.LastWriteTime("Q:\\Apps\\TV\\MainPanel.exe"));
}

TEST(LinuxPlatformVersions, DriveCIsTheWorkingFolder) {
  ScratchFolder scratch;
  CopySample("with_translation64.exe", scratch.path() / "Tuner.exe");
  LinuxPlatform platform(scratch.path().string(), "/usr/bin/tarnwick");
  const auto block = platform.Services().fileVersions.LoadVersionBlock("C:\\Tuner.exe");
  ASSERT_TRUE(block);
  EXPECT_EQ(FileVersionOf(*block), (VersionParts{6, 5, 2600, 5512}));
  EXPECT_TRUE(platform.Services().fileVersions.LastWriteTime("C:\\Tuner.exe"));
  // A path without a drive lies on the program's drive: Z for a program
  // outside the working folder, C for one inside it.
  EXPECT_FALSE(platform.Services().fileVersions.LoadVersionBlock("\\Tuner.exe"));
  LinuxPlatform inside(scratch.path().string(), (scratch.path() / "tarnwick").string());
  EXPECT_TRUE(inside.Services().fileVersions.LoadVersionBlock("\\Tuner.exe"));
}

}  // namespace
}  // namespace tarnwick
