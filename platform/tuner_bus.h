// The tuner driver's private control interface: property reads and writes
// that carry two-wire bus requests to the device.
#pragma once

#include <cstdint>

namespace tarnwick {

// Properties of the private interface.
inline constexpr std::uint32_t kBusRequestProperty = 0x1007;  // SetProperty: a BusRequest
inline constexpr std::uint32_t kBusDataProperty = 0x1008;     // GetProperty: the bytes of the pending read

// Bus-read request record of property 0x1007.
struct BusRequest {
  std::uint32_t request = 0;  // 0x01, device address, sub-address, byte count
  void* result = nullptr;     // the caller's result buffer
  std::uint32_t mode = 0;     // 0: the data phase uses GetProperty
};

// The interface; releases it when destroyed.
class TunerBusControl {
 public:
  virtual ~TunerBusControl() = default;
  // Both return an HRESULT; negative means failure.
  virtual std::int32_t SetProperty(std::uint32_t property, void* buffer) = 0;
  virtual std::int32_t GetProperty(std::uint32_t property, void* buffer) = 0;
};

}  // namespace tarnwick
