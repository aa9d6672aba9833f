// Platform services for a computer that has none of them: every query fails
// or finds nothing. Layers use these where their system has no equivalent.
#pragma once

#include "platform/platform.h"

namespace tarnwick {

class AbsentSystemFacts : public SystemFacts {
 public:
  Result<VersionRecord> QueryVersionExtended() override { return SystemError{kErrorNotSupported}; }
  Result<VersionRecord> QueryVersionPlain() override { return SystemError{kErrorNotSupported}; }
  std::uint16_t NativeArchitecture() override { return 0; }
  bool IsServerR2() override { return false; }
  std::optional<std::string> WindowsDirectory() override { return std::nullopt; }
  std::optional<std::string> SystemDirectory() override { return std::nullopt; }
  bool FileExists(std::string_view) override { return false; }

  static constexpr std::uint32_t kErrorNotSupported = 50;
};

class AbsentMemoryPower : public MemoryPower {
 public:
  std::optional<MemoryStatus> QueryMemory() override { return std::nullopt; }
  std::optional<PowerCapabilities> QueryPower() override { return std::nullopt; }
};

class AbsentUserAccounts : public UserAccounts {
 public:
  std::optional<std::string> UserName() override { return std::nullopt; }
  std::optional<std::vector<std::string>> LocalGroups(std::string_view) override { return std::nullopt; }
};

class AbsentLibraries : public LibraryLoader {
 public:
  bool CanLoad(std::string_view) override { return false; }
};

class AbsentDevices : public DeviceList {
 public:
  std::unique_ptr<DeviceSet> OpenPresentDevices() override { return nullptr; }
};

class AbsentWaveOutput : public WaveOutput {
 public:
  std::uint32_t DeviceCount() override { return 0; }
  std::optional<WaveOutCaps> Capabilities(std::uint32_t) override { return std::nullopt; }
};

class AbsentWmi : public WmiBoard {
 public:
  WmiBoardQuery QueryBaseBoards() override {
    return WmiBoardQuery::Failed(WmiFailure::Security, kComNotImplemented);
  }

  static constexpr std::int32_t kComNotImplemented = static_cast<std::int32_t>(0x80004001);  // E_NOTIMPL
};

class AbsentDirectShow : public DirectShowDevices {
 public:
  std::int32_t ComInitialize() override { return kStatusOk; }
  void ComUninitialize() override {}
  // S_FALSE: the category holds nothing.
  Result<std::unique_ptr<MonikerEnumerator>> EnumerateCategory(const Guid&) override {
    return SystemError{static_cast<std::uint32_t>(kStatusFalse)};
  }
};

class AbsentFileVersions : public FileVersions {
 public:
  std::unique_ptr<VersionBlock> LoadVersionBlock(std::string_view) override { return nullptr; }
  std::optional<LocalTime> LastWriteTime(std::string_view) override { return std::nullopt; }
};

}  // namespace tarnwick
