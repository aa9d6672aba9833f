#include "desk/inputs/input_walk.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tarnwick::desk {

// For now every input is read as one report file.
void WalkInput(const std::string& path, const FoundReportSink& found, const InputProblemSink& problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem({path, std::strerror(errno)});
    return;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  found({.source = path, .mail = std::nullopt, .bytes = bytes.str(), .lineEndsAsWritten = true});
}

}  // namespace tarnwick::desk
