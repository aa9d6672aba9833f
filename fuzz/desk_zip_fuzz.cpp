// Fuzz target for the desk's walk over a zip archive (libarchive), its
// members and the bounds on their expansion.
#include "fuzz/desk_fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarnwick::desk::fuzzing::RunWalk(data, size, tarnwick::desk::WalkZip);
  return 0;
}
