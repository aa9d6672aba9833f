// tarnwick-cli.exe's console output: 8-bit texts reach the console as the
// characters they stand for, also when one is cut between two writes; and
// the library presence test that runs no library code.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/console_output.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_system.h"

namespace tarnwick::win32 {
namespace {

struct WideningCase {
  const char* name;
  UINT codePage;
  std::vector<std::string> flushedPieces;  // each written, then flushed
  std::wstring console;                    // what the console gets in all
  std::size_t writes;                      // calls that reach the console
};

class Widening : public testing::TestWithParam<WideningCase> {};

TEST_P(Widening, ConsoleGetsWholeCharacters) {
  std::wstring console;
  std::size_t writes = 0;
  {
    WideningBuffer buffer(GetParam().codePage, [&](std::wstring_view text) {
      console += text;
      ++writes;
      return true;
    });
    std::ostream stream(&buffer);
    for (const std::string& piece : GetParam().flushedPieces) stream << piece << std::flush;
  }
  EXPECT_EQ(console, GetParam().console);
  EXPECT_EQ(writes, GetParam().writes);
}

INSTANTIATE_TEST_SUITE_P(ConsoleOutput, Widening, testing::Values(
    WideningCase{"WesternAnsi", 1252, {"Caf\xE9 \x80 M\xFCller\n"}, L"Caf\u00E9 \u20AC M\u00FCller\n", 1},
    WideningCase{"NothingWrittenNothingSent", 1252, {""}, L"", 0},
    WideningCase{"ShiftJisCutAfterLeadByte", 932, {"A\x82", "\xA0" "B"}, L"A\u3042B", 2},
    WideningCase{"Utf8CutInsideSequence", CP_UTF8, {"[\xE2\x82", "\xAC]\n"}, L"[\u20AC]\n", 2},
    WideningCase{"Utf8CutLeftAtTheEndIsStillSent", CP_UTF8, {"x\xC3"}, L"x\uFFFD", 2}),
    [](const auto& info) { return std::string(info.param.name); });

// The folder of the test program, where the build puts the marker library.
std::string TestFolder() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

TEST(LibraryPresence, FoundWithoutRunningTheLibrarysStartUp) {
  const std::string marker = TestFolder() + "\\startup_marker.dll";
  ::SetEnvironmentVariableA("TARNWICK_MARKER_STARTED", nullptr);
  Win32Libraries libraries;
  EXPECT_TRUE(libraries.CanLoad(marker));
  EXPECT_EQ(::GetEnvironmentVariableA("TARNWICK_MARKER_STARTED", nullptr, 0), 0u) << "its start-up code ran";
  EXPECT_FALSE(libraries.CanLoad(TestFolder() + "\\no_such_library.dll"));
  EXPECT_TRUE(libraries.CanLoad("D3D10.DLL"));  // Wine's, in the system folder
  // The mark shows when the library is loaded to run.
  const Library loaded(::LoadLibraryA(marker.c_str()));
  ASSERT_TRUE(loaded.Valid());
  EXPECT_NE(::GetEnvironmentVariableA("TARNWICK_MARKER_STARTED", nullptr, 0), 0u);
}

}  // namespace
}  // namespace tarnwick::win32
