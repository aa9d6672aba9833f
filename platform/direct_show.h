// COM on the collection thread and the DirectShow system device enumerator:
// the devices of one category, handed out one moniker at a time, each with its
// friendly name and the filter object it binds to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/guid.h"
#include "platform/result.h"
#include "platform/tuner_bus.h"

namespace tarnwick {

// COM statuses the collectors tell apart.
inline constexpr std::int32_t kStatusOk = 0;     // S_OK
inline constexpr std::int32_t kStatusFalse = 1;  // S_FALSE: success, but nothing (or already done)

// A status that counts as success (S_OK, S_FALSE and the other non-negative ones).
constexpr bool Succeeded(std::int32_t status) { return status >= 0; }

// A filter object a moniker was bound to; releases it when destroyed.
class DeviceFilter {
 public:
  virtual ~DeviceFilter() = default;
  // Asks the filter for the tuner driver's private interface; the failing
  // status when it does not offer one.
  virtual Result<std::unique_ptr<TunerBusControl>> QueryTunerBus() = 0;
};

// One device of a category; releases the moniker when destroyed.
class DeviceMoniker {
 public:
  virtual ~DeviceMoniker() = default;
  // Binds to the property storage and reads "FriendlyName" as text,
  // converted whole to the ANSI code page. The status of the step that
  // failed otherwise (the binding, or a read that did not answer S_OK).
  virtual Result<std::string> ReadFriendlyName() = 0;
  // Binds to the filter object; the failing status, or E_POINTER when the
  // binding succeeded without an object.
  virtual Result<std::unique_ptr<DeviceFilter>> BindToFilter() = 0;
};

// Most monikers taken from one category: an enumerator that never ends
// must not hold the run (a real category lists a few dozen).
inline constexpr int kMostMonikersPerCategory = 1000;

// The class enumerator of one category; releases it when destroyed.
class MonikerEnumerator {
 public:
  virtual ~MonikerEnumerator() = default;
  // The next moniker while the enumerator answers S_OK; nothing after that.
  virtual std::unique_ptr<DeviceMoniker> Next() = 0;
};

class DirectShowDevices {
 public:
  virtual ~DirectShowDevices() = default;
  // CoInitialize on the calling thread. S_OK and S_FALSE (already
  // initialised) both must be balanced by one ComUninitialize; a failure
  // must not be.
  virtual std::int32_t ComInitialize() = 0;
  virtual void ComUninitialize() = 0;
  // Creates the system device enumerator, asks it for the category's class
  // enumerator (flags 0), releases the device enumerator and resets the
  // class enumerator. Fails with the creation's status, or with the class
  // enumerator's answer when that is not S_OK: S_FALSE for a category that
  // is empty or not registered.
  virtual Result<std::unique_ptr<MonikerEnumerator>> EnumerateCategory(const Guid& category) = 0;
};

}  // namespace tarnwick
