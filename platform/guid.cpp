#include "platform/guid.h"

#include <cstdio>

namespace tarnwick {
namespace {

std::optional<std::uint64_t> ParseHex(std::string_view text) {
  std::uint64_t value = 0;
  for (const char c : text) {
    int digit = 0;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  return value;
}

}  // namespace

std::string GuidText(const Guid& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.data1, guid.data2,
                guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4],
                guid.data4[5], guid.data4[6], guid.data4[7]);
  return text;
}

std::optional<Guid> ParseGuid(std::string_view text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    return std::nullopt;
  }
  const auto d1 = ParseHex(text.substr(1, 8));
  const auto d2 = ParseHex(text.substr(10, 4));
  const auto d3 = ParseHex(text.substr(15, 4));
  const auto d4a = ParseHex(text.substr(20, 4));
  const auto d4b = ParseHex(text.substr(25, 12));
  if (!d1 || !d2 || !d3 || !d4a || !d4b) return std::nullopt;
  Guid guid;
  guid.data1 = static_cast<std::uint32_t>(*d1);
  guid.data2 = static_cast<std::uint16_t>(*d2);
  guid.data3 = static_cast<std::uint16_t>(*d3);
  guid.data4[0] = static_cast<std::uint8_t>(*d4a >> 8);
  guid.data4[1] = static_cast<std::uint8_t>(*d4a);
  for (int i = 0; i < 6; ++i) guid.data4[2 + i] = static_cast<std::uint8_t>(*d4b >> (8 * (5 - i)));
  return guid;
}

}  // namespace tarnwick
