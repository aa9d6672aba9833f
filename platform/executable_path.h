// The full Windows path of the running program.
#pragma once

#include <string>
#include <utility>

namespace tarnwick {

class ExecutablePath {
 public:
  virtual ~ExecutablePath() = default;
  virtual std::string Path() = 0;
};

// A path known beforehand: the Linux program's own, a described computer's.
class FixedExecutablePath final : public ExecutablePath {
 public:
  explicit FixedExecutablePath(std::string path) : path_(std::move(path)) {}
  std::string Path() override { return path_; }

 private:
  std::string path_;
};

}  // namespace tarnwick
