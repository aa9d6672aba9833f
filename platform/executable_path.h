// The full Windows path of the running program.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tarnwick {

class ExecutablePath {
 public:
  virtual ~ExecutablePath() = default;
  virtual std::string Path() = 0;
  // The user's Desktop folder, where a report goes when neither the report's
  // place nor the program's folder can take it; nothing where there is none.
  virtual std::optional<std::string> DesktopFolder() { return std::nullopt; }
};

// A path known beforehand: the Linux program's own, a described computer's.
class FixedExecutablePath final : public ExecutablePath {
 public:
  explicit FixedExecutablePath(std::string path, std::optional<std::string> desktop = std::nullopt)
      : path_(std::move(path)), desktop_(std::move(desktop)) {}
  std::string Path() override { return path_; }
  std::optional<std::string> DesktopFolder() override { return desktop_; }

 private:
  std::string path_;
  std::optional<std::string> desktop_;
};

}  // namespace tarnwick
