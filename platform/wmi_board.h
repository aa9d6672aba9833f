// WMI objects of the class Win32_BaseBoard.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/result.h"

namespace tarnwick {

struct WmiI2 { std::int16_t value = 0; };
struct WmiI4 { std::int32_t value = 0; };
struct WmiNull {};
// A text (converted to 8-bit), a 16- or 32-bit integer, a boolean, or
// something else (null, arrays, dates) that no entry is made of.
using WmiValue = std::variant<WmiNull, std::string, WmiI2, WmiI4, bool>;

struct WmiProperty {
  std::string name;  // converted to 8-bit whole; the collector applies its own limit
  WmiValue value;
};

// One object the result set handed out: its properties in the order the
// platform lists their names, or the COM status of the failed name query.
using WmiObject = Result<std::vector<WmiProperty>>;

enum class WmiFailure { None, Security, Locator, Connect };

// COM statuses the object walk ends with.
inline constexpr std::int32_t kWbemEndOfSet = 1;        // WBEM_S_FALSE
inline constexpr std::int32_t kWbemTimedOut = 0x40004;  // WBEM_S_TIMEDOUT
inline constexpr std::int32_t kComFailure = static_cast<std::int32_t>(0x80004005);  // E_FAIL

struct WmiBoardQuery {
  WmiFailure failure = WmiFailure::None;
  bool resultSet = true;
  // The COM status of the step that failed, or of the query when it gave no
  // result set; 0 otherwise.
  std::int32_t status = 0;
  std::vector<WmiObject> objects;
  // What ended the object walk: kWbemEndOfSet, kWbemTimedOut when no object
  // came within the time limit, or a failure status.
  std::int32_t walkEnd = kWbemEndOfSet;

  static WmiBoardQuery Failed(WmiFailure step, std::int32_t status) {
    WmiBoardQuery query;
    query.failure = step;
    query.status = status;
    return query;
  }
  static WmiBoardQuery WithoutResultSet(std::int32_t status) {
    WmiBoardQuery query;
    query.resultSet = false;
    query.status = status;
    return query;
  }
};

class WmiBoard {
 public:
  virtual ~WmiBoard() = default;
  // Sets up COM security, connects to root\cimv2 and lists the base boards.
  // The calling thread leaves in the COM apartment state it came in with.
  virtual WmiBoardQuery QueryBaseBoards() = 0;
};

}  // namespace tarnwick
