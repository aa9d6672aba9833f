// The report written through the Windows file layer: exact bytes (no text-mode
// translation), atomic replacement and the copy onto itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/report_file.h"
#include "platform/win32/win32_files.h"

namespace tarnwick::win32 {
namespace {

class Win32FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    folder_ = std::string(folder) + "tarnwick-files-test";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
    report_ = folder_ + "\\SystemInfo.ini";
    ::DeleteFileA(report_.c_str());
    ::DeleteFileA((folder_ + "\\copy.ini").c_str());
  }
  void TearDown() override {
    ::DeleteFileA(report_.c_str());
    ::DeleteFileA((folder_ + "\\copy.ini").c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  Win32ReportFiles files_;
  std::string folder_;
  std::string report_;
};

// The names in the test folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(Win32FilesTest, ReportBytesAreWrittenExactly) {
  // An unrelated file under the name a temporary could have had survives.
  const std::string unrelated = report_ + ".tmp";
  ASSERT_TRUE(files_.Append(unrelated, "unrelated"));
  ReportFile report(files_, report_);
  ASSERT_TRUE(report.WriteEntry("Tool Version", "Tool Version", "2.5"));
  ASSERT_TRUE(report.AppendSeparator());
  ASSERT_TRUE(report.WriteEntry("Windows OS", "Platform", "Microsoft Win32s\n"));
  ASSERT_TRUE(report.WriteEntry("Tool Version", "Key ", "value "));  // an earlier section: rewritten
  EXPECT_EQ(files_.Read(report_).value_or("?"),
            "[Tool Version]\r\nTool Version=2.5\r\nKey =value \r\n\r\n"
            "[Windows OS]\r\nPlatform=Microsoft Win32s \r\n");
  EXPECT_EQ(files_.Size(report_).value_or(0), 91u);
  EXPECT_EQ(files_.Read(unrelated).value_or("?"), "unrelated");
  EXPECT_EQ(FolderNames(folder_), (std::vector<std::string>{"SystemInfo.ini", "SystemInfo.ini.tmp"}));
  ::DeleteFileA(unrelated.c_str());
}

TEST_F(Win32FilesTest, CopyOntoItselfLeavesTheFile) {
  ASSERT_TRUE(files_.Append(report_, "[A]\r\nB=C\r\n"));
  // Another spelling of the same file.
  std::string other = report_;
  for (char& c : other) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(files_.Copy(report_, other));
  EXPECT_EQ(files_.Read(report_).value_or("?"), "[A]\r\nB=C\r\n");
  EXPECT_TRUE(files_.Copy(report_, folder_ + "\\copy.ini"));
  EXPECT_EQ(files_.Read(folder_ + "\\copy.ini").value_or("?"), "[A]\r\nB=C\r\n");
}

TEST_F(Win32FilesTest, MissingFilesAndFolders) {
  EXPECT_FALSE(files_.Read(report_).has_value());
  EXPECT_FALSE(files_.Size(report_).has_value());
  EXPECT_FALSE(files_.Delete(report_));
  EXPECT_FALSE(files_.Append(folder_ + "\\no-such-folder\\x.ini", "x"));
  EXPECT_FALSE(files_.Copy(report_, folder_ + "\\copy.ini"));
}

TEST(Win32ExecutablePathTest, NamesTheRunningProgram) {
  const std::string path = Win32ExecutablePath().Path();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path.substr(path.size() - 4), ".exe");
  EXPECT_EQ(path[1], ':');
}

}  // namespace
}  // namespace tarnwick::win32
