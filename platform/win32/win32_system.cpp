#include "platform/win32/win32_system.h"

#include <windows.h>
#include <lm.h>
#include <powrprof.h>

#include <string>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace tarnwick::win32 {
namespace {

void FreeNetApiBuffer(void* buffer) { ::NetApiBufferFree(buffer); }
using NetApiBuffer = Owned<NullableTraits<void*, FreeNetApiBuffer>>;

VersionRecord FromPlain(const OSVERSIONINFOA& info) {
  VersionRecord record;
  record.major = info.dwMajorVersion;
  record.minor = info.dwMinorVersion;
  record.build = info.dwBuildNumber;
  record.platformId = info.dwPlatformId;
  record.servicePack = std::string(info.szCSDVersion, ::strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
  return record;
}

std::optional<std::string> DirectoryFrom(UINT (WINAPI *query)(LPSTR, UINT)) {
  char path[MAX_PATH];
  const UINT length = query(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::string(path, length);
}

}  // namespace

Result<VersionRecord> Win32SystemFacts::QueryVersionExtended() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return SystemError{::GetLastError()};
  VersionRecord record = FromPlain(*reinterpret_cast<OSVERSIONINFOA*>(&info));
  record.suiteMask = info.wSuiteMask;
  record.productType = info.wProductType;
  return record;
}

Result<VersionRecord> Win32SystemFacts::QueryVersionPlain() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(&info)) return SystemError{::GetLastError()};
  return FromPlain(info);
}

std::uint16_t Win32SystemFacts::NativeArchitecture() {
  using NativeInfo = void(WINAPI*)(LPSYSTEM_INFO);
  SYSTEM_INFO info{};
  // Looked up at run time: older systems do not have it.
  const auto native = reinterpret_cast<NativeInfo>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
  if (native != nullptr) {
    native(&info);
  } else {
    ::GetSystemInfo(&info);
  }
  return info.wProcessorArchitecture;
}

bool Win32SystemFacts::IsServerR2() { return ::GetSystemMetrics(SM_SERVERR2) != 0; }

std::optional<std::string> Win32SystemFacts::WindowsDirectory() { return DirectoryFrom(::GetWindowsDirectoryA); }

std::optional<std::string> Win32SystemFacts::SystemDirectory() { return DirectoryFrom(::GetSystemDirectoryA); }

std::uint32_t Win32SystemFacts::AnsiCodePage() { return ::GetACP(); }

std::optional<std::string> Win32SystemFacts::ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!::GetComputerNameA(name, &size)) return std::nullopt;
  return std::string(name, size);
}

bool Win32SystemFacts::FileExists(std::string_view path) {
  const DWORD attributes = ::GetFileAttributesA(std::string(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<MemoryStatus> Win32MemoryPower::QueryMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return std::nullopt;
  return MemoryStatus{status.dwMemoryLoad, status.ullTotalPhys, status.ullAvailPhys, status.ullAvailVirtual};
}

std::optional<PowerCapabilities> Win32MemoryPower::QueryPower() {
  SYSTEM_POWER_CAPABILITIES capabilities{};
  if (!::GetPwrCapabilities(&capabilities)) return std::nullopt;
  return PowerCapabilities{capabilities.HiberFilePresent != 0};
}

std::optional<std::string> Win32UserAccounts::UserName() {
  char name[UNLEN + 1];
  DWORD length = sizeof name;
  if (!::GetUserNameA(name, &length) || length == 0) return std::nullopt;
  return std::string(name, length - 1);  // the length counts the terminating zero
}

std::optional<std::vector<std::string>> Win32UserAccounts::LocalGroups(std::string_view userName) {
  const std::wstring wideName = WideFromAnsi(userName);
  NetApiBuffer buffer;
  DWORD read = 0;
  DWORD total = 0;
  const NET_API_STATUS status =
      ::NetUserGetLocalGroups(nullptr, wideName.c_str(), 0, LG_INCLUDE_INDIRECT,
                              reinterpret_cast<LPBYTE*>(buffer.Receive()), MAX_PREFERRED_LENGTH, &read, &total);
  if (status != NERR_Success) return std::nullopt;
  std::vector<std::string> groups;
  const auto* entries = static_cast<const LOCALGROUP_USERS_INFO_0*>(buffer.Get());
  for (DWORD i = 0; entries != nullptr && i < read; ++i) groups.push_back(AnsiFromWide(entries[i].lgrui0_name));
  return groups;
}

bool Win32Libraries::CanLoad(std::string_view libraryName) {
  // Mapped as data only: found and readable is what the test asks, and the
  // library's start-up code, which can stall for seconds, never runs.
  const Library library(::LoadLibraryExA(std::string(libraryName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  return library.Valid();
}

}  // namespace tarnwick::win32
