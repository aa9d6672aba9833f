// The library test: whether a library can be loaded (and is unloaded again).
#pragma once

#include <string_view>

namespace tarnwick {

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  virtual bool CanLoad(std::string_view libraryName) = 0;
};

}  // namespace tarnwick
