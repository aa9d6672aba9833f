// The report's bytes as the store keeps them: named by their SHA-256 and
// kept compressed with zlib, so recheck can read them again.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::desk {

// Lower-case hexadecimal, 64 digits (GLib's GChecksum).
std::string Sha256Hex(std::string_view bytes);

std::string Compress(std::string_view bytes);
// Nothing when the blob does not expand to exactly size bytes.
std::optional<std::string> Expand(std::string_view blob, std::size_t size);

}  // namespace tarnwick::desk
