#include "platform/replay/load_error.h"

namespace tarnwick {

std::string Describe(const LoadError& error) {
  std::string text = error.file;
  if (error.line != 0) text += ':' + std::to_string(error.line);
  return text + ": " + error.message;
}

}  // namespace tarnwick
