// Random access to the bytes of a file, so the readers of file formats can be
// given a whole file in memory or an open file they read piece by piece.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace tarnwick {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies out.size() bytes starting at offset; false, with out undefined,
  // when they are not all there.
  virtual bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

// Bytes already in memory; the span must outlive the source.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace tarnwick
