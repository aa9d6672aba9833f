// The full Windows path of the running program.
#pragma once

#include <string>

namespace tarnwick {

class ExecutablePath {
 public:
  virtual ~ExecutablePath() = default;
  virtual std::string Path() = 0;
};

}  // namespace tarnwick
