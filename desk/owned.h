// One ownership style for the C handles the desk holds (SQLite databases and
// statements, iconv converters): a move-only owner that closes what it holds
// with the call its kind needs.
#pragma once

#include <iconv.h>
#include <sqlite3.h>

#include <utility>

namespace tarnwick::desk {

template <typename Traits>
class Owned {
 public:
  using Handle = typename Traits::Handle;

  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Null())) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Traits::Null()));
    return *this;
  }
  ~Owned() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }
  // For the calls that hand out a handle through a pointer.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  // Gives up ownership; the caller must close what it gets.
  [[nodiscard]] Handle Release() { return std::exchange(handle_, Traits::Null()); }
  void Reset(Handle handle = Traits::Null()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Null();
};

struct SqliteTraits {
  using Handle = sqlite3*;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { sqlite3_close_v2(handle); }
};

struct StatementTraits {
  using Handle = sqlite3_stmt*;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { sqlite3_finalize(handle); }
};

// iconv_open answers (iconv_t)-1 for "none".
struct IconvTraits {
  using Handle = iconv_t;
  static Handle Null() { return reinterpret_cast<iconv_t>(-1); }
  static bool IsValid(Handle handle) { return handle != Null(); }
  static void Close(Handle handle) { iconv_close(handle); }
};

using Database = Owned<SqliteTraits>;
using Statement = Owned<StatementTraits>;
using Converter = Owned<IconvTraits>;

}  // namespace tarnwick::desk
