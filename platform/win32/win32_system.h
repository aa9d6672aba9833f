// Version and system facts, memory and power, the user and its groups, and
// the library test, from the services of Windows.
#pragma once

#include "platform/library_loader.h"
#include "platform/memory_power.h"
#include "platform/system_facts.h"
#include "platform/user_accounts.h"

namespace tarnwick::win32 {

class Win32SystemFacts final : public SystemFacts {
 public:
  Result<VersionRecord> QueryVersionExtended() override;
  Result<VersionRecord> QueryVersionPlain() override;
  std::uint16_t NativeArchitecture() override;
  bool IsServerR2() override;
  std::optional<std::string> WindowsDirectory() override;
  std::optional<std::string> SystemDirectory() override;
  bool FileExists(std::string_view path) override;
  std::uint32_t AnsiCodePage() override;
  std::optional<std::string> ComputerName() override;

 private:
};

class Win32MemoryPower final : public MemoryPower {
 public:
  std::optional<MemoryStatus> QueryMemory() override;
  std::optional<PowerCapabilities> QueryPower() override;
};

class Win32UserAccounts final : public UserAccounts {
 public:
  std::optional<std::string> UserName() override;
  std::optional<std::vector<std::string>> LocalGroups(std::string_view userName) override;
};

class Win32Libraries final : public LibraryLoader {
 public:
  bool CanLoad(std::string_view libraryName) override;
};

}  // namespace tarnwick::win32
