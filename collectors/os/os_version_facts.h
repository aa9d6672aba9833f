// The facts the Windows edition is decided on, gathered once per run.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "collectors/collector_context.h"

namespace tarnwick {

inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWindows = 1;  // Windows 95 family
inline constexpr std::uint32_t kPlatformNt = 2;

inline constexpr std::uint8_t kNtWorkstation = 1;

inline constexpr std::uint16_t kArchitectureIa64 = 6;
inline constexpr std::uint16_t kArchitectureAmd64 = 9;

struct OsVersionFacts {
  bool extended = false;  // the extended version record was had
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 0;
  std::string servicePack;
  std::uint16_t suiteMask = 0;   // zero without the extended record
  std::uint8_t productType = 0;  // zero without the extended record
  std::uint16_t architecture = 0;
  bool serverR2 = false;  // asked only for version 5.2
};

// Asks the platform for the version, extended record first; the error of the
// plain query when both fail.
Result<OsVersionFacts> GatherOsVersionFacts(SystemFacts& system);

// Builds the edition name from the facts and writes it as "Platform"; in the
// cases where the product type cannot be read it writes nothing. Prints the
// build line to the diagnostics.
void BuildEditionName(CollectorContext& context, const OsVersionFacts& facts);

// Writes "MCE OS" and closes the group.
void DetectMediaCenter(CollectorContext& context);

}  // namespace tarnwick
