// Reads a version data block (VS_VERSIONINFO) the way VerQueryValueA looks
// values up in it, and the version of a PE file from it. The block is
// untrusted: lengths that run past their node or the block, keys without
// their terminator and children that make no progress end the lookup.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/file_versions.h"
#include "platform/pe/byte_source.h"

namespace tarnwick {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52;

// The value of the node that subBlock names: "\" (or "") is the root's value,
// the fixed record; "\A\B" walks to child A of the root, then to its child B.
// Names compare without regard to ASCII letter case. Nothing when a node on
// the way is missing or malformed, or when the node has no value (a value
// length of 0). Text values (type 1) count their length in 16-bit units; the
// span covers their bytes.
std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> block,
                                                               std::string_view subBlock);

// A version block that owns its bytes.
class PeVersionBlock final : public VersionBlock {
 public:
  explicit PeVersionBlock(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::optional<std::span<const std::uint8_t>> Query(std::string_view subBlock) const override {
    return QueryVersionValue(bytes_, subBlock);
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The version block of a PE file; nothing when it has none that can be read.
std::unique_ptr<VersionBlock> LoadPeVersionBlock(const ByteSource& file);

// The four parts of the file version (high and low half of the most
// significant word, then of the least), when the block's fixed record is
// whole and signed and the block has a translation table ("no version"
// otherwise).
using VersionParts = std::array<std::uint16_t, 4>;
std::optional<VersionParts> FileVersionOf(const VersionBlock& block);
std::optional<VersionParts> FileVersionOf(const ByteSource& file);

}  // namespace tarnwick
