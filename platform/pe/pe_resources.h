// Finds the version resource of a PE image (PE32 or PE32+) in the file: the
// resource directory tree under type 16, name 1, its first language.
// The file is untrusted: every offset, size and count it gives is checked
// against the file and the section it points into before it is followed.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/pe/byte_source.h"

namespace tarnwick {

// The type number of version resources in the resource directory, and the
// name number of the one the system reads (under another name, or a name
// given as a string, it finds none).
inline constexpr std::uint32_t kVersionResourceType = 16;
inline constexpr std::uint32_t kVersionResourceName = 1;

// A version block is at most 65535 bytes long (its length field has 16
// bits); a longer resource is cut there.
inline constexpr std::uint32_t kMaxVersionBlockSize = 0xFFFF;

// The bytes of the version resource, at most kMaxVersionBlockSize of them;
// nothing when the file is no PE image, has no version resource, or anything
// on the way to it does not hold together.
std::optional<std::vector<std::uint8_t>> ReadVersionResource(const ByteSource& file);

}  // namespace tarnwick
