#include "platform/win32/win32_files.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

FileHandle OpenForReading(const std::string& path) {
  return FileHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteNewFile(const std::string& path, std::string_view content) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.Get(), content);
}

// Writes beside the target and moves over it, so the target holds either its
// old or its new content.
bool ReplaceFile(const std::string& path, std::string_view content) {
  const std::string temporary = path + ".tmp";
  if (!WriteNewFile(temporary, content)) {
    ::DeleteFileA(temporary.c_str());
    return false;
  }
  if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  const FileHandle first = OpenForReading(a);
  const FileHandle second = OpenForReading(b);
  if (!first || !second) return false;
  BY_HANDLE_FILE_INFORMATION one{};
  BY_HANDLE_FILE_INFORMATION two{};
  if (!::GetFileInformationByHandle(first.Get(), &one) || !::GetFileInformationByHandle(second.Get(), &two)) return false;
  return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
         one.nFileIndexLow == two.nFileIndexLow;
}

}  // namespace

std::optional<std::string> Win32ReportFiles::Read(std::string_view path) {
  const FileHandle file = OpenForReading(std::string(path));
  if (!file) return std::nullopt;
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
    if (got == 0) return content;
    content.append(buffer, got);
  }
  return std::nullopt;
}

std::optional<std::uint64_t> Win32ReportFiles::Size(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(std::string(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32ReportFiles::Append(std::string_view path, std::string_view bytes) {
  FileHandle file(::CreateFileA(std::string(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.Get(), bytes);
}

bool Win32ReportFiles::ReplaceAtomically(std::string_view path, std::string_view content) {
  return ReplaceFile(std::string(path), content);
}

bool Win32ReportFiles::Delete(std::string_view path) { return ::DeleteFileA(std::string(path).c_str()) != 0; }

bool Win32ReportFiles::Copy(std::string_view from, std::string_view to) {
  const std::string source(from);
  const std::string target(to);
  if (SameFile(source, target)) return true;  // copying a file onto itself would only destroy it
  const auto content = Read(source);
  return content && ReplaceFile(target, *content);
}

std::string Win32ExecutablePath::Path() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(path, length);
}

}  // namespace tarnwick::win32
