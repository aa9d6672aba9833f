#include "platform/win32/win32_files.h"

#include <windows.h>

#include <cstdio>
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

// The report and its copy are never reached through a link: a link at their
// name is opened as itself (FILE_FLAG_OPEN_REPARSE_POINT) and counts as no
// report; moving a new file onto the name replaces the link.
constexpr DWORD kNoFollow = FILE_FLAG_OPEN_REPARSE_POINT;

bool IsLink(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

KernelHandle OpenForReading(const std::string& path) {
  return KernelHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | kNoFollow, nullptr));
}

// Creates a file beside the path under a name no other file has (CREATE_NEW):
// an unrelated file of a predictable name is never overwritten.
KernelHandle CreateTemporaryBeside(const std::string& path, std::string& temporary) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%lx-%lx-%x.tmp", ::GetCurrentProcessId(), ::GetTickCount(), counter++);
    temporary = path + suffix;
    KernelHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return KernelHandle();
}

// Writes beside the target and moves over it, so the target holds either its
// old or its new content.
bool ReplaceFile(const std::string& path, std::string_view content) {
  std::string temporary;
  KernelHandle file = CreateTemporaryBeside(path, temporary);
  if (!file) return false;
  const bool written = WriteAll(file.Get(), content);
  file.Reset();
  if (!written) {
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
  const KernelHandle first = OpenForReading(a);
  const KernelHandle second = OpenForReading(b);
  if (!first || !second) return false;
  BY_HANDLE_FILE_INFORMATION one{};
  BY_HANDLE_FILE_INFORMATION two{};
  if (!::GetFileInformationByHandle(first.Get(), &one) || !::GetFileInformationByHandle(second.Get(), &two)) return false;
  return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
         one.nFileIndexLow == two.nFileIndexLow;
}

}  // namespace

std::optional<std::string> Win32ReportFiles::Read(std::string_view path) {
  const KernelHandle file = OpenForReading(std::string(path));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !::GetFileInformationByHandle(file.Get(), &info) || IsLink(info.dwFileAttributes)) return std::nullopt;
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
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || IsLink(data.dwFileAttributes)) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32ReportFiles::Append(std::string_view path, std::string_view bytes) {
  const std::string name(path);
  if (IsLink(::GetFileAttributesA(name.c_str()))) return ReplaceFile(name, bytes);
  KernelHandle file(::CreateFileA(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | kNoFollow, nullptr));
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
