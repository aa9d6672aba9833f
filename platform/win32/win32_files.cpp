#include "platform/win32/win32_files.h"

#include <windows.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/temporary_names.h"
#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

// The system's text for an error code, without its line end.
std::string Reason(DWORD error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(error);
  if (text != nullptr) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' ||
                             reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

// The temporary files beside the reports, in fixed slots that the console
// event handler (another thread) reads: a name is complete before its slot is
// marked used.
struct Slot {
  volatile LONG used = 0;
  char name[MAX_PATH];
};
constexpr int kSlots = 16;
Slot slots[kSlots];

void Remember(const std::string& path) {
  if (path.size() >= MAX_PATH) return;
  for (Slot& slot : slots) {
    if (slot.used != 0) continue;
    std::memcpy(slot.name, path.c_str(), path.size() + 1);
    ::InterlockedExchange(&slot.used, 1);
    return;
  }
}

void Forget(const std::string& path) {
  for (Slot& slot : slots) {
    if (slot.used != 0 && path == slot.name) {
      ::InterlockedExchange(&slot.used, 0);
      return;
    }
  }
}

BOOL WINAPI RemoveAndExit(DWORD event) {
  for (Slot& slot : slots) {
    if (slot.used != 0) ::DeleteFileA(slot.name);
  }
  // The C library's numbers: SIGINT 2, SIGBREAK 21, SIGTERM 15.
  const UINT signal = event == CTRL_C_EVENT ? 2 : event == CTRL_BREAK_EVENT ? 21 : 15;
  ::ExitProcess(128 + signal);
  return TRUE;
}

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
    std::snprintf(suffix, sizeof suffix, ".%lu-%lx%04x.tmp", ::GetCurrentProcessId(), ::GetTickCount(),
                  counter++ & 0xffffu);
    temporary = path + suffix;
    KernelHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) Remember(temporary);
    if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return KernelHandle();
}

void RemoveTemporary(const std::string& temporary) {
  ::DeleteFileA(temporary.c_str());
  Forget(temporary);
}

// A failure's action and the system's reason.
struct Failure {
  std::string action;
  std::string reason;
};

// Writes beside the target and moves over it, so the target holds either its
// old or its new content. Gives the failure.
std::optional<Failure> ReplaceFile(const std::string& path, std::string_view content) {
  std::string temporary;
  KernelHandle file = CreateTemporaryBeside(path, temporary);
  if (!file) return Failure{"creating " + temporary, Reason(::GetLastError())};
  const bool written = WriteAll(file.Get(), content);
  const DWORD writeError = ::GetLastError();
  file.Reset();
  if (!written) {
    RemoveTemporary(temporary);
    return Failure{"writing " + temporary, Reason(writeError)};
  }
  if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    RemoveTemporary(temporary);
    return Failure{"replacing " + path, Reason(error)};
  }
  Forget(temporary);
  return std::nullopt;
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

bool IsDeviceName(std::string_view path) {
  if (path.starts_with("\\\\.\\") || path.starts_with("//./")) return true;
  const std::size_t slash = path.find_last_of("\\/:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string upper;
  for (const char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
      upper == "CONOUT$") {
    return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

bool IsNullDevice(std::string_view path) {
  if (path.starts_with("\\\\.\\")) path.remove_prefix(4);
  if (path.size() != 3) return false;
  std::string upper;
  for (const char c : path) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == "NUL";
}

std::optional<std::string> Win32ReportFiles::Obstacle(std::string_view path) {
  const std::string name(path);
  if (IsDeviceName(name)) return "a device";
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "a folder";
  return std::nullopt;
}

std::optional<std::string> Win32ReportFiles::Read(std::string_view path) {
  const std::string name(path);
  const KernelHandle file = OpenForReading(name);
  if (!file) {
    Failed("reading " + name, Reason(::GetLastError()));
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.Get(), &info)) {
    Failed("reading " + name, Reason(::GetLastError()));
    return std::nullopt;
  }
  if (IsLink(info.dwFileAttributes)) {
    Failed("reading " + name, "it is a link");
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
    if (got == 0) return content;
    content.append(buffer, got);
  }
  Failed("reading " + name, Reason(::GetLastError()));
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
  if (IsDeviceName(name)) return Failed("appending to " + name, "it is a device");
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Failed("appending to " + name, "it is a folder");
  }
  if (IsLink(attributes)) return ReplaceAtomically(name, bytes);
  KernelHandle file(::CreateFileA(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | kNoFollow, nullptr));
  if (!file) return Failed("opening " + name, Reason(::GetLastError()));
  return WriteAll(file.Get(), bytes) || Failed("appending to " + name, Reason(::GetLastError()));
}

bool Win32ReportFiles::ReplaceAtomically(std::string_view path, std::string_view content) {
  const std::string name(path);
  if (const auto obstacle = Obstacle(name)) return Failed("replacing " + name, "it is " + *obstacle);
  const auto failure = ReplaceFile(name, content);
  return !failure || Failed(failure->action, failure->reason);
}

void Win32ReportFiles::RemoveLeftovers(std::string_view path) {
  const std::string file(path);
  const std::size_t slash = file.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
  const std::string name = file.substr(folder.size());
  WIN32_FIND_DATAA found{};
  const FindHandle search(::FindFirstFileA((file + ".*.tmp").c_str(), &found));
  if (!search) return;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
    const DWORD pid = TemporaryFileProcess(found.cFileName, name);
    if (pid == 0 || pid == ::GetCurrentProcessId()) continue;
    // Only a process that is gone (or has ended, its object still held): a
    // run still writing keeps its files, and so does one that runs but may
    // not be opened (another user's).
    const KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process ? ::WaitForSingleObject(process.Get(), 0) != WAIT_OBJECT_0 : ::GetLastError() == ERROR_ACCESS_DENIED) {
      continue;
    }
    ::DeleteFileA((folder + found.cFileName).c_str());
  } while (::FindNextFileA(search.Get(), &found));
}

bool Win32ReportFiles::Delete(std::string_view path) {
  const std::string name(path);
  // Only a file or a link is removed; a device is never touched.
  if (const auto obstacle = Obstacle(name)) return Failed("removing " + name, "it is " + *obstacle);
  return ::DeleteFileA(name.c_str()) != 0 || Failed("removing " + name, Reason(::GetLastError()));
}

bool Win32ReportFiles::Copy(std::string_view from, std::string_view to) {
  const std::string source(from);
  const std::string target(to);
  if (SameFile(source, target)) return true;  // copying a file onto itself would only destroy it
  const auto content = Read(source);
  return content && ReplaceAtomically(target, *content);
}

std::string Win32ExecutablePath::Path() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(path, length);
}

std::optional<std::string> Win32ExecutablePath::DesktopFolder() {
  char folder[MAX_PATH];
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return std::nullopt;
  }
  std::string path(folder);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty()) return std::nullopt;
  return path;
}

void RemoveTemporaryFilesOnConsoleEvents() { ::SetConsoleCtrlHandler(RemoveAndExit, TRUE); }

}  // namespace tarnwick::win32
