// Version resources and time stamps of the replayed computer's files.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/file_versions.h"
#include "platform/replay/machine_facts.h"

namespace tarnwick {

inline constexpr std::uint16_t kTranslationLanguage = 0x0409;  // U.S. English
inline constexpr std::uint16_t kTranslationCodePage = 1252;

// The version data block of one file: "\" is its fixed record
// (VS_FIXEDFILEINFO, 52 bytes) and "\VarFileInfo\Translation" its
// translation table, when it has one. Sub-block names compare without
// regard to case, as Windows looks them up.
class ReplayVersionBlock final : public VersionBlock {
 public:
  ReplayVersionBlock(const FileFacts& file, bool isProgram);
  std::optional<std::span<const std::uint8_t>> Query(std::string_view subBlock) const override;

  static constexpr std::size_t kFixedInfoSize = 52;

 private:
  std::array<std::uint8_t, kFixedInfoSize> fixedInfo_{};
  std::array<std::uint8_t, 4> translation_{};
  bool hasTranslation_;
};

class ReplayFileVersions final : public FileVersions {
 public:
  explicit ReplayFileVersions(const MachineFacts& facts) : facts_(facts) {}
  std::unique_ptr<VersionBlock> LoadVersionBlock(std::string_view path) override;
  std::optional<LocalTime> LastWriteTime(std::string_view path) override;

 private:
  const FileFacts* Find(std::string_view path) const;

  const MachineFacts& facts_;
};

}  // namespace tarnwick
