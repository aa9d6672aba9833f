#include "platform/replay/replay_direct_show.h"

#include <cstring>

#include "platform/tuner_bus.h"

namespace tarnwick {
namespace {

SystemError Status(std::int32_t status) { return SystemError{static_cast<std::uint32_t>(status)}; }

class ReplayFilter final : public DeviceFilter {
 public:
  explicit ReplayFilter(const MonikerFacts& moniker) : moniker_(moniker) {}
  Result<std::unique_ptr<TunerBusControl>> QueryTunerBus() override {
    if (!moniker_.tunerBus) return Status(kENoInterface);
    return std::unique_ptr<TunerBusControl>(std::make_unique<ReplayTunerBus>(*moniker_.tunerBus));
  }

 private:
  const MonikerFacts& moniker_;
};

class ReplayMoniker final : public DeviceMoniker {
 public:
  explicit ReplayMoniker(const MonikerFacts& moniker) : moniker_(moniker) {}
  Result<std::string> ReadFriendlyName() override {
    if (moniker_.storageFails) return Status(kEFail);
    if (!moniker_.friendlyName) return Status(kNoSuchProperty);
    return *moniker_.friendlyName;
  }
  Result<std::unique_ptr<DeviceFilter>> BindToFilter() override {
    if (moniker_.objectFails) return Status(kClassNotRegistered);
    return std::unique_ptr<DeviceFilter>(std::make_unique<ReplayFilter>(moniker_));
  }

 private:
  const MonikerFacts& moniker_;
};

class ReplayEnumerator final : public MonikerEnumerator {
 public:
  explicit ReplayEnumerator(const std::vector<MonikerFacts>& monikers) : monikers_(monikers) {}
  std::unique_ptr<DeviceMoniker> Next() override {
    if (next_ == monikers_.size()) return nullptr;
    return std::make_unique<ReplayMoniker>(monikers_[next_++]);
  }

 private:
  const std::vector<MonikerFacts>& monikers_;
  std::size_t next_ = 0;
};

}  // namespace

std::int32_t ReplayTunerBus::SetProperty(std::uint32_t property, void* buffer) {
  if (property != kBusRequestProperty) return kENotImpl;
  if (buffer == nullptr) return kEPointer;
  BusRequest request;
  std::memcpy(&request, buffer, sizeof request);
  if (request.request == 0) {  // cancels the pending read
    pending_.reset();
    return kSOk;
  }
  // Only reads whose data phase uses GetProperty are served.
  if ((request.request >> 24) != 0x01 || request.mode != 0) return kEInvalidArg;
  pending_ = PendingRead{static_cast<std::uint8_t>(request.request >> 16), static_cast<std::uint8_t>(request.request >> 8),
                         static_cast<std::uint8_t>(request.request)};
  return kSOk;
}

std::int32_t ReplayTunerBus::GetProperty(std::uint32_t property, void* buffer) {
  if (property != kBusDataProperty) return kENotImpl;
  if (buffer == nullptr) return kEPointer;
  if (!pending_) return kEFail;
  const PendingRead read = *pending_;
  const std::size_t end = std::size_t{read.offset} + read.count;
  if (read.device != kEepromDeviceAddress || end > bus_.eeprom.size() || bus_.failOffsets.contains(read.offset)) {
    return kEFail;
  }
  if (read.count != 0) std::memcpy(buffer, bus_.eeprom.data() + read.offset, read.count);
  return kSOk;
}

Result<std::unique_ptr<MonikerEnumerator>> ReplayDirectShow::EnumerateCategory(const Guid& category) {
  for (const CategoryFacts& listed : facts_.directShow) {
    if (listed.category == category && !listed.monikers.empty()) {
      return std::unique_ptr<MonikerEnumerator>(std::make_unique<ReplayEnumerator>(listed.monikers));
    }
  }
  return Status(kSFalse);
}

}  // namespace tarnwick
