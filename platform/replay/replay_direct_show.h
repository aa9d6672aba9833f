// DirectShow device categories of a replayed computer, and the tuner bus of
// the filters that offer one.
#pragma once

#include <memory>
#include <optional>

#include "platform/direct_show.h"
#include "platform/replay/machine_facts.h"

namespace tarnwick {

// HRESULTs the replayed system and driver answer with.
inline constexpr std::int32_t kSOk = kStatusOk;
inline constexpr std::int32_t kSFalse = kStatusFalse;
inline constexpr std::int32_t kENotImpl = static_cast<std::int32_t>(0x80004001);
inline constexpr std::int32_t kENoInterface = static_cast<std::int32_t>(0x80004002);
inline constexpr std::int32_t kEPointer = static_cast<std::int32_t>(0x80004003);
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005);
inline constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154);
inline constexpr std::int32_t kNoSuchProperty = static_cast<std::int32_t>(0x80070002);
inline constexpr std::int32_t kEInvalidArg = static_cast<std::int32_t>(0x80070057);

inline constexpr std::uint8_t kEepromDeviceAddress = 0xA0;

// The tuner's configuration memory behind the driver's private interface.
// A read is two calls: SetProperty(0x1007) with a BusRequest names device,
// sub-address and byte count (request 0 cancels it); GetProperty(0x1008)
// then copies the bytes into its buffer. Only the memory at device address
// 0xA0 answers; a read past its end or from a failing offset fails.
class ReplayTunerBus final : public TunerBusControl {
 public:
  explicit ReplayTunerBus(const TunerBusFacts& bus) : bus_(bus) {}

  std::int32_t SetProperty(std::uint32_t property, void* buffer) override;
  std::int32_t GetProperty(std::uint32_t property, void* buffer) override;

 private:
  struct PendingRead {
    std::uint8_t device = 0;
    std::uint8_t offset = 0;
    std::uint8_t count = 0;
  };

  const TunerBusFacts& bus_;
  std::optional<PendingRead> pending_;
};

// Monikers in the order machine.json lists them. COM initialisation answers
// as CoInitialize does on one thread: S_OK the first time, S_FALSE while it
// is already initialised.
class ReplayDirectShow final : public DirectShowDevices {
 public:
  explicit ReplayDirectShow(const MachineFacts& facts) : facts_(facts) {}

  std::int32_t ComInitialize() override { return initialisations_++ == 0 ? kSOk : kSFalse; }
  void ComUninitialize() override {
    if (initialisations_ > 0) --initialisations_;
  }
  // S_FALSE for a category the machine lists no device in.
  Result<std::unique_ptr<MonikerEnumerator>> EnumerateCategory(const Guid& category) override;

 private:
  const MachineFacts& facts_;
  int initialisations_ = 0;
};

}  // namespace tarnwick
