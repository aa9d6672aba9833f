// Version and system facts: what the Windows edition collector decides on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tarnwick {

// One answer of the version query, extended (OSVERSIONINFOEX) or plain.
struct VersionRecord {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 0;
  std::string servicePack;        // at most 127 characters
  std::uint16_t suiteMask = 0;    // extended record only
  std::uint8_t productType = 0;   // extended record only
};

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  // Each gives the record, or the system's error code for the failed query.
  virtual Result<VersionRecord> QueryVersionExtended() = 0;
  virtual Result<VersionRecord> QueryVersionPlain() = 0;
  // wProcessorArchitecture of the native system information.
  virtual std::uint16_t NativeArchitecture() = 0;
  virtual bool IsServerR2() = 0;
  virtual std::optional<std::string> WindowsDirectory() = 0;
  virtual std::optional<std::string> SystemDirectory() = 0;
  virtual bool FileExists(std::string_view path) = 0;
  // The ANSI code page the 8-bit texts are written in (GetACP); a layer that
  // converts its texts to Windows-1252 keeps this answer.
  virtual std::uint32_t AnsiCodePage() { return 1252; }
  // The computer's name as GetComputerNameA gives it; nothing when the call fails.
  virtual std::optional<std::string> ComputerName() { return std::nullopt; }
};

}  // namespace tarnwick
