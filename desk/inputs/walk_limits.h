// The bounds of the walk over the desk's inputs. Customers' mail is outside
// input: a zip bomb, a mail nested a thousand times or a huge attachment is
// refused with a message instead of filling memory or the stack.
#pragma once

#include <cstdint>

namespace tarnwick::desk {

struct WalkLimits {
  // A message, attachment, zip member or plain file larger than this is not
  // read (a report is some hundred kilobytes).
  std::uint64_t maxPartBytes = std::uint64_t{64} << 20;
  // Containers inside containers: mails, multiparts, zips, TNEF, folders.
  int maxNesting = 16;
  // All members of one zip together, and their size against the zip's.
  std::uint64_t maxZipExpandedBytes = std::uint64_t{256} << 20;
  std::uint64_t maxZipRatio = 100;
};

}  // namespace tarnwick::desk
