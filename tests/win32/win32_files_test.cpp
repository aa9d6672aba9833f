// The report written through the Windows file layer: exact bytes (no text-mode
// translation), atomic replacement and the copy onto itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
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

// A device name or a folder where a report would go is refused: nothing is
// opened, removed or moved over it. Other failures carry the system's text.
TEST_F(Win32FilesTest, DevicesAndFoldersAreNoPlaceForAReport) {
  const std::string folder = folder_ + "\\folder.ini";
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  const struct {
    std::string path;
    std::optional<std::string> obstacle;
    bool nullDevice;
  } cases[] = {
      {"NUL", "a device", true},        {"nul", "a device", true},       {"\\\\.\\NUL", "a device", true},
      {"C:\\x\\con.txt", "a device", false}, {"COM1", "a device", false}, {"lpt9.ini", "a device", false},
      {"COM0", std::nullopt, false},    {"NULL", std::nullopt, false},   {folder, "a folder", false},
      {report_, std::nullopt, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files_.Obstacle(c.path), c.obstacle) << c.path;
    EXPECT_EQ(IsNullDevice(c.path), c.nullDevice) << c.path;
  }
  EXPECT_FALSE(files_.Delete(folder) || files_.Append(folder, "x") || files_.ReplaceAtomically(folder, "x"));
  EXPECT_EQ(files_.LastFailure().value_or(FileFailure{}).reason, "it is a folder");
  EXPECT_EQ(FolderNames(folder_), std::vector<std::string>{"folder.ini"});
  EXPECT_TRUE(::RemoveDirectoryA(folder.c_str()));
  char reason[512] = {};
  ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_PATH_NOT_FOUND, 0, reason, sizeof reason, nullptr);
  EXPECT_FALSE(files_.ReplaceAtomically(folder_ + "\\no-such-folder\\x.ini", "x"));
  EXPECT_EQ(std::string(reason).find(files_.LastFailure().value_or(FileFailure{}).reason), 0u) << reason;
  EXPECT_GT(std::strlen(reason), 3u);
}

// Temporary files that a killed run left: removed only when no process has
// their id any more.
TEST_F(Win32FilesTest, LeftoversOfGoneRuns) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  char command[] = "cmd.exe /c exit";
  ASSERT_TRUE(::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ::WaitForSingleObject(process.hProcess, 30000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  const std::string gone = report_ + "." + std::to_string(process.dwProcessId);
  const std::string self = report_ + "." + std::to_string(::GetCurrentProcessId()) + "-1a.tmp";
  ASSERT_TRUE(files_.Append(gone + "-1a.tmp", "left") && files_.Append(self, "mine"));
  ASSERT_TRUE(::CreateDirectoryA((gone + "-1b.tmp").c_str(), nullptr));
  files_.RemoveLeftovers(report_);
  const std::string id = std::to_string(process.dwProcessId);
  std::vector<std::string> kept{"SystemInfo.ini." + id + "-1b.tmp", self.substr(folder_.size() + 1)};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(FolderNames(folder_), kept);
  ::DeleteFileA(self.c_str());
  ::RemoveDirectoryA((gone + "-1b.tmp").c_str());
}

TEST(Win32ExecutablePathTest, NamesTheDesktop) {
  const auto desktop = Win32ExecutablePath().DesktopFolder();
  ASSERT_TRUE(desktop.has_value());
  EXPECT_EQ(desktop->substr(1, 2), ":\\");
  EXPECT_NE(desktop->back(), '\\');
}

TEST(Win32ExecutablePathTest, NamesTheRunningProgram) {
  const std::string path = Win32ExecutablePath().Path();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path.substr(path.size() - 4), ".exe");
  EXPECT_EQ(path[1], ':');
}

}  // namespace
}  // namespace tarnwick::win32
