// Fuzz target for the desk's walk over an Outlook TNEF stream (libytnef) and
// the attachments hidden in it.
#include "fuzz/desk_fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarnwick::desk::fuzzing::RunWalk(data, size, tarnwick::desk::WalkTnef);
  return 0;
}
