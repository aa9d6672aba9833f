#include "desk/inputs/input_sniff.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tarnwick::desk {
namespace {

// Local file header, end of an empty archive, spanned archive marker.
constexpr std::array<std::string_view, 3> kZipStarts = {
    std::string_view("PK\x03\x04", 4), std::string_view("PK\x05\x06", 4), std::string_view("PK\x07\x08", 4)};
// The TNEF signature 0x223E9F78, least significant byte first.
constexpr std::string_view kTnefStart("\x78\x9f\x3e\x22", 4);
constexpr std::string_view kUtf8Mark("\xef\xbb\xbf", 3);
constexpr std::string_view kFirstSection = "[Tool Version]";
// How far a mail header is searched for its telling fields.
constexpr std::size_t kMailHeaderScan = 64 * 1024;
constexpr std::array<std::string_view, 3> kMailFields = {"from:", "date:", "message-id:"};

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  return std::equal(start.begin(), start.end(), text.begin(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(b)) == a; });
}

// A header field name: printable characters other than blank and colon,
// followed by a colon.
bool IsFieldLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  return std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](char c) { return c > ' ' && c < 127; });
}

}  // namespace

ContentKind SniffContent(std::string_view bytes) {
  for (std::string_view start : kZipStarts) {
    if (bytes.starts_with(start)) return ContentKind::kZip;
  }
  if (bytes.starts_with(kTnefStart)) return ContentKind::kTnef;
  if (bytes.starts_with("From ")) return ContentKind::kMbox;
  return ContentKind::kOther;
}

bool HasReportName(std::string_view name) { return EndsWithNoCase(name, ".ini"); }

bool HasMailName(std::string_view name) { return EndsWithNoCase(name, ".eml"); }

bool StartsLikeReport(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  const std::size_t first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes.substr(first).starts_with(kFirstSection);
}

bool StartsLikeMail(std::string_view bytes) {
  bytes = bytes.substr(0, kMailHeaderScan);
  bool first = true;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) return false;
    const bool folded = line.front() == ' ' || line.front() == '\t';
    if (first && !IsFieldLine(line)) return false;
    if (!folded) {
      for (std::string_view field : kMailFields) {
        if (StartsWithNoCase(line, field)) return true;
      }
    }
    first = false;
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace tarnwick::desk
