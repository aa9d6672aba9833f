// COM on the collection thread and the DirectShow system device enumerator.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/tuner_bus.h"

namespace tarnwick {

struct MonikerInfo {
  bool storageFails = false;
  std::optional<std::string> friendlyName;  // 8-bit text; nothing when unreadable
};

struct CategoryListing {
  std::int32_t status = 0;  // S_OK (0) when the category could be enumerated
  std::vector<MonikerInfo> monikers;
};

class DirectShowDevices {
 public:
  virtual ~DirectShowDevices() = default;
  virtual void ComInitialize() = 0;
  virtual void ComUninitialize() = 0;
  // Enumerates one device category; a status other than 0 means nothing to list.
  virtual CategoryListing EnumerateCategory(const Guid& category) = 0;
  // Binds the moniker at index of the category to its filter and asks it for
  // the tuner's private interface; nothing when either fails.
  virtual std::unique_ptr<TunerBusControl> OpenTunerBus(const Guid& category, std::size_t monikerIndex) = 0;
  // Whether the moniker at index binds to a filter object at all.
  virtual bool BindsToFilter(const Guid& category, std::size_t monikerIndex) = 0;
};

}  // namespace tarnwick
