// Memory status and power capabilities.
#pragma once

#include <cstdint>
#include <optional>

namespace tarnwick {

struct MemoryStatus {
  std::uint32_t load = 0;  // percent
  std::uint64_t totalPhys = 0;
  std::uint64_t availPhys = 0;
  std::uint64_t availVirtual = 0;
};

struct PowerCapabilities {
  bool hiberFilePresent = false;
};

class MemoryPower {
 public:
  virtual ~MemoryPower() = default;
  virtual std::optional<MemoryStatus> QueryMemory() = 0;
  virtual std::optional<PowerCapabilities> QueryPower() = 0;
};

}  // namespace tarnwick
