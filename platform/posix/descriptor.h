// The one owner of an open file descriptor: move-only, closed when its owner
// goes. Closing keeps errno as it was, so a caller may still read the error of
// the call that failed after the owner of an earlier descriptor has gone.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tarnwick {

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.descriptor_, -1));
    return *this;
  }
  ~Descriptor() { Reset(); }

  int get() const { return descriptor_; }
  bool Valid() const { return descriptor_ >= 0; }
  explicit operator bool() const { return Valid(); }
  // Gives up ownership; the caller must close what it gets.
  [[nodiscard]] int Release() { return std::exchange(descriptor_, -1); }
  // Closes what it holds (unless it is the descriptor given) and takes the
  // given one.
  void Reset(int descriptor = -1) {
    if (descriptor_ >= 0 && descriptor_ != descriptor) {
      const int error = errno;
      ::close(descriptor_);
      errno = error;
    }
    descriptor_ = descriptor;
  }
  // Closes now and says whether the close succeeded: a write may only be
  // known to have failed at its close.
  bool Close() {
    const int descriptor = std::exchange(descriptor_, -1);
    return descriptor < 0 || ::close(descriptor) == 0;
  }

 private:
  int descriptor_ = -1;
};

}  // namespace tarnwick
