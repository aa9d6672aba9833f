// Loads the version resource of one file at a time: its fixed version record
// and its translation table. A file counts as having a version only when the
// record carries the signature 0xFEEF04BD and the table is there.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/file_versions.h"

namespace tarnwick {

inline constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

// The platform's fixed version record: 13 unsigned 32-bit fields.
struct FixedFileInfo {
  std::uint32_t signature = 0;
  std::uint32_t structureVersion = 0;
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::array<std::uint32_t, 9> rest{};
};
static_assert(sizeof(FixedFileInfo) == 52);

class FileVersionReader {
 public:
  explicit FileVersionReader(FileVersions& source) : source_(source) {}
  FileVersionReader(const FileVersionReader&) = delete;
  FileVersionReader& operator=(const FileVersionReader&) = delete;
  virtual ~FileVersionReader() { Reset(); }

  // True when the file has a version resource with the signed fixed record
  // and a translation table. After false the reader is reset; without a
  // path nothing is done at all.
  bool Load(std::optional<std::string_view> path);
  // Frees the version block and sets every field back to zero.
  void Reset();

  const FixedFileInfo& fixedInfo() const { return fixedInfo_; }
  bool valid() const { return valid_ != 0; }
  bool HoldsBlock() const { return versionData_ != nullptr; }
  std::uint32_t translationCount() const { return translationCount_; }
  // The first language and code-page pair of the translation table.
  std::optional<std::pair<std::uint16_t, std::uint16_t>> FirstTranslation() const;

 private:
  void ReadFixedInfo(std::string_view path);
  bool ReadTranslation();

  FileVersions& source_;
  FixedFileInfo fixedInfo_{};
  std::unique_ptr<VersionBlock> versionData_;
  std::optional<std::span<const std::uint8_t>> translation_;  // into versionData_
  std::uint32_t translationCount_ = 0;
  std::uint32_t valid_ = 0;
};

}  // namespace tarnwick
