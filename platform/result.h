// The answer of a platform call: a value, or the code the system gave for the
// failure (a Windows error such as 13 or 122, or a COM status), kept for the
// caller that decides on it or prints it as a diagnostic.
#pragma once

#include <cstdint>
#include <utility>
#include <variant>

namespace tarnwick {

// The failure of a platform call: a Windows error code, or a COM status
// (an HRESULT, negative as a signed number) kept as its 32 bits.
struct SystemError {
  std::uint32_t code = 0;
  std::int32_t AsStatus() const { return static_cast<std::int32_t>(code); }
  friend bool operator==(const SystemError&, const SystemError&) = default;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: a value converts
  Result(SystemError error) : state_(std::in_place_index<1>, error) {}    // NOLINT: so does a failure

  static Result Failure(std::uint32_t code) { return Result(SystemError{code}); }
  static Result FailureStatus(std::int32_t status) { return Result(SystemError{static_cast<std::uint32_t>(status)}); }

  bool Ok() const { return state_.index() == 0; }
  explicit operator bool() const { return Ok(); }

  // The value; only on success.
  T& operator*() { return std::get<0>(state_); }
  const T& operator*() const { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }

  // The failure's code; 0 on success.
  std::uint32_t Error() const { return Ok() ? 0 : std::get<1>(state_).code; }
  std::int32_t Status() const { return static_cast<std::int32_t>(Error()); }

 private:
  std::variant<T, SystemError> state_;
};

}  // namespace tarnwick
