// The platform services of a replayed computer that answer straight from its
// machine description.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "platform/replay/machine_facts.h"

namespace tarnwick {

class ReplaySystemFacts final : public SystemFacts {
 public:
  explicit ReplaySystemFacts(const MachineFacts& facts) : facts_(facts) {}

  // Without "version" both queries fail; with "extended": false only the
  // plain one answers, as on a system that predates the extended record.
  Result<VersionRecord> QueryVersionExtended() override;
  Result<VersionRecord> QueryVersionPlain() override;
  std::uint16_t NativeArchitecture() override;
  bool IsServerR2() override;
  std::optional<std::string> WindowsDirectory() override { return facts_.windowsDirectory; }
  std::optional<std::string> SystemDirectory() override { return facts_.systemDirectory; }
  bool FileExists(std::string_view path) override;
  std::uint32_t AnsiCodePage() override { return facts_.codePage->Number(); }
  std::optional<std::string> ComputerName() override { return facts_.computerName; }

  static constexpr std::uint32_t kErrorNotSupported = 50;
  static constexpr std::uint32_t kErrorInsufficientBuffer = 122;

 private:
  const MachineFacts& facts_;
};

class ReplayMemoryPower final : public MemoryPower {
 public:
  explicit ReplayMemoryPower(const MachineFacts& facts) : facts_(facts) {}
  std::optional<MemoryStatus> QueryMemory() override { return facts_.memory; }
  std::optional<PowerCapabilities> QueryPower() override { return facts_.power; }

 private:
  const MachineFacts& facts_;
};

class ReplayUsers final : public UserAccounts {
 public:
  explicit ReplayUsers(const MachineFacts& facts) : facts_(facts) {}
  std::optional<std::string> UserName() override { return facts_.user.name; }
  std::optional<std::vector<std::string>> LocalGroups(std::string_view) override { return facts_.user.groups; }

 private:
  const MachineFacts& facts_;
};

class ReplayLibraries final : public LibraryLoader {
 public:
  explicit ReplayLibraries(const MachineFacts& facts) : facts_(facts) {}
  bool CanLoad(std::string_view libraryName) override;

 private:
  const MachineFacts& facts_;
};

class ReplayDevices final : public DeviceList {
 public:
  explicit ReplayDevices(const MachineFacts& facts) : facts_(facts) {}
  std::unique_ptr<DeviceSet> OpenPresentDevices() override;

 private:
  const MachineFacts& facts_;
};

class ReplayWaveOutput final : public WaveOutput {
 public:
  explicit ReplayWaveOutput(const MachineFacts& facts) : facts_(facts) {}
  std::uint32_t DeviceCount() override { return static_cast<std::uint32_t>(facts_.waveOut.size()); }
  std::optional<WaveOutCaps> Capabilities(std::uint32_t device) override;

 private:
  const MachineFacts& facts_;
};

class ReplayWmi final : public WmiBoard {
 public:
  explicit ReplayWmi(const MachineFacts& facts) : facts_(facts) {}
  WmiBoardQuery QueryBaseBoards() override;

 private:
  const MachineFacts& facts_;
};

class ReplayExecutable final : public ExecutablePath {
 public:
  explicit ReplayExecutable(const MachineFacts& facts) : facts_(facts) {}
  std::string Path() override { return facts_.executablePath; }

 private:
  const MachineFacts& facts_;
};

}  // namespace tarnwick
