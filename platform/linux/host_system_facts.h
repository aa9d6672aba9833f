// The system facts a Linux host has: its name. Its texts reach the report
// converted to Windows-1252, the default code page.
#pragma once

#include <unistd.h>

#include <array>
#include <optional>
#include <string>

#include "platform/absent_services.h"

namespace tarnwick {

class HostSystemFacts final : public AbsentSystemFacts {
 public:
  // The host name up to its first dot, as Windows names a computer.
  std::optional<std::string> ComputerName() override {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') return std::nullopt;
    const std::string host(name.data());
    return host.substr(0, host.find('.'));
  }
};

}  // namespace tarnwick
