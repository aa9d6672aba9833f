#include "collectors/tuner/file_stamp.h"

#include <cstdio>

#include "collectors/tuner/file_version_reader.h"

namespace tarnwick {

std::string DateText(const LocalTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", time.month, time.day, ((time.year % 100) + 100) % 100,
                time.hour, time.minute, time.second);
  return text;
}

bool FileVersionText(CollectorContext& context, std::string_view path) {
  if (path.size() > kMaxFilePath) return false;
  FileVersionReader& reader = context.state.FileReader(context.platform.fileVersions);
  if (!reader.Load(path)) return false;
  const FixedFileInfo& info = reader.fixedInfo();
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", info.fileVersionMS >> 16, info.fileVersionMS & 0xFFFF,
                info.fileVersionLS >> 16, info.fileVersionLS & 0xFFFF);
  context.state.versionText = text;
  return true;
}

bool FileDateText(CollectorContext& context, std::string_view path) {
  if (path.size() > kMaxFilePath) return false;
  const auto time = context.platform.fileVersions.LastWriteTime(path);
  if (!time) return false;
  context.state.dateText = DateText(*time);
  return true;
}

std::optional<std::string> FileStampValue(CollectorContext& context, std::string_view path) {
  if (!FileVersionText(context, path)) return std::nullopt;
  // A time stamp gone since the version was read must not leave the date of
  // an earlier file in this file's value.
  const std::string date = FileDateText(context, path) ? context.state.dateText : std::string(kUnknownDate);
  return context.state.versionText + " Date:" + date;
}

}  // namespace tarnwick
