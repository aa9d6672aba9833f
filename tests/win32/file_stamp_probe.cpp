// What Windows' own functions say of files, in the form of a report value:
// the file version from the signed fixed record (only when a translation
// table is there), " Date:" and the local last-write time as the runtime's
// "%c" writes it. One line per path named; "-" for a file without a version.
//   file_stamp_probe PATH...
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace {

std::string Version(const char* path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path, 0, size, data.data())) return {};
  void* fixed = nullptr;
  void* table = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO)) return {};
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (info->dwSignature != 0xFEEF04BD || !VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &table, &length)) {
    return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
                static_cast<unsigned>(LOWORD(info->dwFileVersionMS)),
                static_cast<unsigned>(HIWORD(info->dwFileVersionLS)),
                static_cast<unsigned>(LOWORD(info->dwFileVersionLS)));
  return text;
}

std::string Date(const char* path) {
  WIN32_FIND_DATAA found{};
  const tarnwick::win32::FindHandle search(FindFirstFileA(path, &found));
  FILETIME local{};
  SYSTEMTIME time{};
  if (!search || !FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time)) {
    return "?";
  }
  std::tm calendar{};
  calendar.tm_year = time.wYear - 1900;
  calendar.tm_mon = time.wMonth - 1;
  calendar.tm_mday = time.wDay;
  calendar.tm_hour = time.wHour;
  calendar.tm_min = time.wMinute;
  calendar.tm_sec = time.wSecond;
  char text[64] = {};
  std::strftime(text, sizeof text, "%c", &calendar);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string version = Version(argv[i]);
    std::printf("%s\n", version.empty() ? "-" : (version + " Date:" + Date(argv[i])).c_str());
  }
  return 0;
}
