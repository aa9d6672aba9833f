// Version blocks and time stamps of real files through the Windows layer.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "collectors/tuner/file_stamp.h"
#include "collectors/tuner/file_version_reader.h"
#include "platform/win32/win32_file_versions.h"

namespace tarnwick::win32 {
namespace {

std::string SystemFile(const char* name) {
  char folder[MAX_PATH];
  ::GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\" + name;
}

TEST(Win32FileVersions, SystemLibraryHasASignedRecordAndATranslation) {
  Win32FileVersions versions;
  FileVersionReader reader(versions);
  ASSERT_TRUE(reader.Load(SystemFile("kernel32.dll")));
  EXPECT_EQ(reader.fixedInfo().signature, kFixedInfoSignature);
  EXPECT_GE(reader.translationCount(), 1u);
  EXPECT_NE(reader.fixedInfo().fileVersionMS, 0u);
}

TEST(Win32FileVersions, MissingFileHasNoVersionAndNoTime) {
  Win32FileVersions versions;
  FileVersionReader reader(versions);
  EXPECT_FALSE(reader.Load(SystemFile("no-such-file.dll")));
  EXPECT_FALSE(reader.HoldsBlock());
  EXPECT_FALSE(versions.LastWriteTime(SystemFile("no-such-file.dll")).has_value());
}

TEST(Win32FileVersions, LastWriteTimeIsTheLocalTimeOfTheFile) {
  char folder[MAX_PATH];
  ::GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "tarnwick-stamp.txt";
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  // 15 March 2010, 14:07:09 local time.
  SYSTEMTIME local{2010, 3, 1, 15, 14, 7, 9, 0};
  FILETIME localFile{};
  FILETIME utc{};
  ASSERT_TRUE(::SystemTimeToFileTime(&local, &localFile));
  ASSERT_TRUE(::LocalFileTimeToFileTime(&localFile, &utc));
  ASSERT_TRUE(::SetFileTime(file, nullptr, nullptr, &utc));
  ::CloseHandle(file);

  Win32FileVersions versions;
  const auto time = versions.LastWriteTime(path);
  ::DeleteFileA(path.c_str());
  ASSERT_TRUE(time.has_value());
  EXPECT_EQ(DateText(*time), "03/15/10 14:07:09");
}

}  // namespace
}  // namespace tarnwick::win32
