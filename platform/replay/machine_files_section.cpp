// The "files" field: version resources and time stamps by Windows path.
#include <charconv>

#include "platform/replay/machine_sections.h"
#include "platform/replay/windows_path.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

std::optional<unsigned> DecimalNumber(std::string_view digits, unsigned max) {
  unsigned value = 0;
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value > max) return std::nullopt;
  return value;
}

// "a.b.c.d", each part 0..65535.
std::array<std::uint16_t, 4> FileVersion(const JsonField& field) {
  const std::string text = field.Text();
  std::array<std::uint16_t, 4> parts{};
  std::size_t start = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t end = (i + 1 < parts.size()) ? text.find('.', start) : text.size();
    const auto part = end == std::string::npos ? std::nullopt
                                               : DecimalNumber(std::string_view(text).substr(start, end - start), 65535);
    if (!part) field.Refuse("expected a version \"a.b.c.d\" with parts 0..65535, found \"" + text + "\"");
    parts[i] = static_cast<std::uint16_t>(*part);
    start = end + 1;
  }
  return parts;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

// "YYYY-MM-DD HH:MM:SS", a real date and time of day; a file time cannot
// lie before 1601.
LocalTime ModifiedTime(const JsonField& field) {
  const std::string text = field.Text();
  const auto refuse = [&] { field.Refuse("expected a time \"YYYY-MM-DD HH:MM:SS\", found \"" + text + "\""); };
  constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
  if (text.size() != kShape.size()) refuse();
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) refuse();
  }
  const auto number = [&](std::size_t at, std::size_t length) {
    return static_cast<int>(*DecimalNumber(std::string_view(text).substr(at, length), 9999));
  };
  LocalTime time{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
  if (time.year < 1601 || time.month < 1 || time.month > 12 || time.day < 1 ||
      time.day > DaysInMonth(time.year, time.month) || time.hour > 23 || time.minute > 59 || time.second > 59) {
    refuse();
  }
  return time;
}

FileFacts ReadFile(const JsonField& field) {
  FileFacts file;
  WithMember(field, "version", [&](const JsonField& f) { file.version = FileVersion(f); });
  WithMember(field, "translation", [&](const JsonField& f) { file.translation = f.Bool(); });
  WithMember(field, "signature", [&](const JsonField& f) { file.signature = f.Number<std::uint32_t>(); });
  WithMember(field, "modified", [&](const JsonField& f) { file.modified = ModifiedTime(f); });
  return file;
}

}  // namespace

std::map<std::string, FileFacts> ReadFilesSection(const JsonField& field, char currentDrive) {
  std::map<std::string, FileFacts> files;
  std::map<std::string, JsonField> named;  // where each file was named
  for (const auto& [path, file] : field.Members()) {
    const std::string windowsPath(UpToFirstZero(field.Code().Encode(Utf8ToUnicode(path))));
    if (windowsPath.empty()) file.Refuse("empty path");
    const std::string key = WindowsPathKey(windowsPath, currentDrive);
    if (const auto earlier = named.find(key); earlier != named.end()) {
      RefuseLaterOfTwo(earlier->second, file, "names the same file as the path on line ");
    }
    files.emplace(key, ReadFile(file));
    named.emplace(key, file);
  }
  return files;
}

}  // namespace tarnwick
