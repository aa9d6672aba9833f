// Fuzz target for the desk's walk over a mail message as a maildir holds it:
// GMime's parser, nested multiparts and forwarded mails, and whatever the
// parts hold (zip, TNEF, an mbox in a part).
#include "fuzz/desk_fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnwick::desk;
  fuzzing::RunWalk(data, size, [](Walk& walk, const Place& place, std::string_view bytes) {
    WalkBytes(walk, place, {.name = "", .data = bytes, .origin = Origin::kMailFile, .lineEndsAsWritten = true});
  });
  return 0;
}
