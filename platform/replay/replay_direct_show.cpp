#include "platform/replay/replay_direct_show.h"

#include <cstring>

#include "platform/tuner_bus.h"

namespace tarnwick {

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

const MonikerFacts* ReplayDirectShow::Moniker(const Guid& category, std::size_t index) const {
  for (const CategoryFacts& listed : facts_.directShow) {
    if (listed.category == category) return index < listed.monikers.size() ? &listed.monikers[index] : nullptr;
  }
  return nullptr;
}

CategoryListing ReplayDirectShow::EnumerateCategory(const Guid& category) {
  CategoryListing listing{kSFalse, {}};
  for (const CategoryFacts& listed : facts_.directShow) {
    if (listed.category != category) continue;
    for (const MonikerFacts& moniker : listed.monikers) {
      // The friendly name lives in the property storage.
      listing.monikers.push_back(
          MonikerInfo{moniker.storageFails, moniker.storageFails ? std::nullopt : moniker.friendlyName});
    }
  }
  if (!listing.monikers.empty()) listing.status = kSOk;
  return listing;
}

std::unique_ptr<TunerBusControl> ReplayDirectShow::OpenTunerBus(const Guid& category, std::size_t monikerIndex) {
  const MonikerFacts* moniker = Moniker(category, monikerIndex);
  if (moniker == nullptr || moniker->objectFails || !moniker->tunerBus) return nullptr;
  return std::make_unique<ReplayTunerBus>(*moniker->tunerBus);
}

bool ReplayDirectShow::BindsToFilter(const Guid& category, std::size_t monikerIndex) {
  const MonikerFacts* moniker = Moniker(category, monikerIndex);
  return moniker != nullptr && !moniker->objectFails;
}

}  // namespace tarnwick
