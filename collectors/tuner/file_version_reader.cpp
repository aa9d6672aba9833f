#include "collectors/tuner/file_version_reader.h"

#include <cstring>

namespace tarnwick {

bool FileVersionReader::Load(std::optional<std::string_view> path) {
  if (!path) return false;
  Reset();
  ReadFixedInfo(*path);
  if (valid_ == 0 || !ReadTranslation()) {
    Reset();
    return false;
  }
  return true;
}

void FileVersionReader::Reset() {
  fixedInfo_ = FixedFileInfo{};
  translation_.reset();
  versionData_.reset();
  translationCount_ = 0;
  valid_ = 0;
}

void FileVersionReader::ReadFixedInfo(std::string_view path) {
  versionData_ = source_.LoadVersionBlock(path);
  if (!versionData_) return;
  const auto root = versionData_->Query("\\");
  // A record shorter than the fixed record is no version: copying 52 bytes
  // from it would read past its end.
  if (!root || root->size() < sizeof(FixedFileInfo)) return;
  std::memcpy(&fixedInfo_, root->data(), sizeof(FixedFileInfo));
  valid_ = fixedInfo_.signature == kFixedInfoSignature ? 1 : 0;
}

bool FileVersionReader::ReadTranslation() {
  const auto table = versionData_->Query("\\VarFileInfo\\Translation");
  if (!table) return false;
  translation_ = table;
  translationCount_ = static_cast<std::uint32_t>(table->size() / 4);
  return true;
}

std::optional<std::pair<std::uint16_t, std::uint16_t>> FileVersionReader::FirstTranslation() const {
  if (!translation_ || translation_->size() < 4) return std::nullopt;
  const auto& bytes = *translation_;
  return std::pair<std::uint16_t, std::uint16_t>(static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)),
                                                 static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8)));
}

}  // namespace tarnwick
