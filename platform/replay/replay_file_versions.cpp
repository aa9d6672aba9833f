#include "platform/replay/replay_file_versions.h"

#include "platform/replay/windows_path.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::uint32_t kStructureVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;        // VS_FFI_FILEFLAGSMASK
constexpr std::uint32_t kFileOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kFileTypeApp = 1;
constexpr std::uint32_t kFileTypeDll = 2;

void PutWord(std::uint8_t* at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace

ReplayVersionBlock::ReplayVersionBlock(const FileFacts& file, bool isProgram) : hasTranslation_(file.translation) {
  const auto& v = file.version.value();
  const std::uint32_t versionMs = (std::uint32_t{v[0]} << 16) | v[1];
  const std::uint32_t versionLs = (std::uint32_t{v[2]} << 16) | v[3];
  const std::array<std::uint32_t, 13> words = {
      file.signature, kStructureVersion,
      versionMs,      versionLs,           // file version
      versionMs,      versionLs,           // product version
      kFileFlagsMask, 0,                   // no flags set
      kFileOsNtWindows32, isProgram ? kFileTypeApp : kFileTypeDll,
      0,              0, 0,                // subtype, no file date
  };
  for (std::size_t i = 0; i < words.size(); ++i) PutWord(fixedInfo_.data() + 4 * i, words[i]);
  PutWord(translation_.data(), kTranslationLanguage | (std::uint32_t{kTranslationCodePage} << 16));
}

std::optional<std::span<const std::uint8_t>> ReplayVersionBlock::Query(std::string_view subBlock) const {
  if (subBlock == "\\") return std::span<const std::uint8_t>(fixedInfo_);
  if (hasTranslation_ && EqualsIgnoreAsciiCase(subBlock, "\\VarFileInfo\\Translation")) {
    return std::span<const std::uint8_t>(translation_);
  }
  return std::nullopt;
}

const FileFacts* ReplayFileVersions::Find(std::string_view path) const {
  const auto it = facts_.files.find(WindowsPathKey(path, CurrentDrive(facts_.executablePath)));
  return it == facts_.files.end() ? nullptr : &it->second;
}

std::unique_ptr<VersionBlock> ReplayFileVersions::LoadVersionBlock(std::string_view path) {
  const FileFacts* file = Find(path);
  if (file == nullptr || !file->version) return nullptr;
  return std::make_unique<ReplayVersionBlock>(*file, EndsWithIgnoreCase(path, ".exe"));
}

std::optional<LocalTime> ReplayFileVersions::LastWriteTime(std::string_view path) {
  const FileFacts* file = Find(path);
  return file == nullptr ? std::nullopt : file->modified;
}

}  // namespace tarnwick
