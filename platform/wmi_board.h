// WMI objects of the class Win32_BaseBoard.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarnwick {

struct WmiI2 { std::int16_t value = 0; };
struct WmiI4 { std::int32_t value = 0; };
struct WmiNull {};
// A text (converted to 8-bit), a 16- or 32-bit integer, a boolean, or
// something else (null, arrays, dates) that no entry is made of.
using WmiValue = std::variant<WmiNull, std::string, WmiI2, WmiI4, bool>;

struct WmiProperty {
  std::string name;
  WmiValue value;
};

enum class WmiFailure { None, Security, Locator, Connect };

struct WmiBoardQuery {
  WmiFailure failure = WmiFailure::None;
  bool resultSet = true;
  // One entry per object in the order handed out; nothing for an object
  // whose property names cannot be had.
  std::vector<std::optional<std::vector<WmiProperty>>> objects;
};

class WmiBoard {
 public:
  virtual ~WmiBoard() = default;
  // Sets up COM security, connects to root\cimv2 and lists the base boards.
  virtual WmiBoardQuery QueryBaseBoards() = 0;
};

}  // namespace tarnwick
