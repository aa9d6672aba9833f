// 16-byte identifiers of COM classes, interfaces and device categories.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// Registry text form: braces, upper-case hexadecimal digits.
std::string GuidText(const Guid& guid);
// Parses the registry text form (braces required, any case).
std::optional<Guid> ParseGuid(std::string_view text);

}  // namespace tarnwick
