#include "app/report_redaction.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/registry_access.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

// The enumerators whose instance paths can name one device: "USB\VID_...\serial".
constexpr std::array<std::string_view, 16> kEnumerators = {
    "USB",  "USBSTOR", "PCI",  "HID",     "HDAUDIO", "ACPI",    "ROOT",    "SWD",
    "SCSI", "IDE",     "STORAGE", "BTHENUM", "DISPLAY", "MONITOR", "WINEBUS", "1394"};

// Profiles every account shares: they name no one.
constexpr std::array<std::string_view, 4> kSharedProfiles = {"All Users", "Default", "Default User", "Public"};

// The suffixes of the account entry; the name stands before them.
constexpr std::array<std::string_view, 2> kAdministratorSuffixes = {" is not Administrator", " is Administrator"};

constexpr std::string_view kEnumKey = "\\Enum\\";
constexpr std::string_view kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kSystemDriveVariable = "%SystemDrive%";
// Where diagnostics list names, such as the groups: "\t-- name".
constexpr std::string_view kListMarker = "-- ";

// Where a device instance path "ENUMERATOR\device\instance" starts at
// position start: the position of its instance part, or npos.
std::size_t InstancePartAt(std::string_view text, std::size_t start) {
  for (const std::string_view enumerator : kEnumerators) {
    const std::size_t device = start + enumerator.size() + 1;
    if (device >= text.size() || text[device - 1] != '\\') continue;
    if (!EqualsIgnoreAsciiCase(text.substr(start, enumerator.size()), enumerator)) continue;
    const std::size_t separator = text.find('\\', device);
    if (separator == std::string_view::npos || separator == device) return std::string_view::npos;
    const std::size_t instance = separator + 1;
    if (instance >= text.size() || text[instance] == '\\' || text[instance] == ' ') return std::string_view::npos;
    return instance;
  }
  return std::string_view::npos;
}

bool IsSharedProfile(std::string_view folder) {
  for (const std::string_view shared : kSharedProfiles) {
    if (EqualsIgnoreCase(folder, shared)) return true;
  }
  return false;
}

bool IsPathCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '\\' || c == '_' || c == '.' || c == '-';
}

// True when text ends with pattern, letters compared without regard to
// case; "?" in the pattern matches any letter (a drive).
bool EndsWithPattern(std::string_view text, std::string_view pattern) {
  if (text.size() < pattern.size()) return false;
  const std::string_view tail = text.substr(text.size() - pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '?') {
      if (!std::isalpha(static_cast<unsigned char>(tail[i]))) return false;
    } else if (!EqualsIgnoreCase(tail.substr(i, 1), pattern.substr(i, 1))) {
      return false;
    }
  }
  // The pattern starts a path: nothing of a longer path stands before it.
  return text.size() == pattern.size() || !IsPathCharacter(text[text.size() - pattern.size() - 1]);
}

}  // namespace

RedactionFacts GatherRedactionFacts(Platform& platform) {
  RedactionFacts facts;
  facts.userName = platform.users.UserName().value_or("");
  facts.computerName = platform.system.ComputerName().value_or("");
  // Windows keeps it as "%SystemDrive%\Documents and Settings" or a path of
  // its own; a path with other variables is left to the usual names.
  std::string reported = RegistryAccess(platform.registry).ReadKeyText(RegistryRoot::LocalMachine, kProfileList,
                                                                       "ProfilesDirectory");
  if (StartsWithIgnoreAsciiCase(reported, kSystemDriveVariable)) {
    reported = "?:" + reported.substr(kSystemDriveVariable.size());
  }
  while (!reported.empty() && reported.back() == '\\') reported.pop_back();
  if (!reported.empty() && reported.find('%') == std::string::npos) facts.profileRoots.push_back(reported);
  return facts;
}

bool Redaction::IsProfileRootBefore(std::string_view text, std::size_t end) const {
  for (const std::string& root : facts_.profileRoots) {
    if (EndsWithPattern(text.substr(0, end), root)) return true;
  }
  return false;
}

std::string Redaction::RedactText(std::string_view text) const {
  const std::string& computer = facts_.computerName;
  if (!computer.empty() && EqualsIgnoreCase(text, computer)) return std::string(kRedacted);
  std::string out;
  out.reserve(text.size());
  // One path component at a time: from a start (the text's, or after a
  // backslash) to the next backslash.
  std::size_t start = 0;
  while (start <= text.size()) {
    // A device instance path, where the report puts one: the whole text, or
    // below "Enum\" in a registry path; never a folder of a file path such
    // as "D:\USB\Tuner\DTVR\x.exe". Its instance part runs to the end.
    const bool belowEnum = start >= kEnumKey.size() &&
                           EqualsIgnoreAsciiCase(text.substr(start - kEnumKey.size(), kEnumKey.size()), kEnumKey);
    if (start == 0 || belowEnum) {
      if (const std::size_t instance = InstancePartAt(text, start); instance != std::string_view::npos) {
        out.append(text.substr(start, instance - start)).append(kRedacted);
        return out;
      }
    }
    const std::size_t end = std::min(text.find('\\', start), text.size());
    const std::string_view component = text.substr(start, end - start);
    const bool wholeComponent = (start > 0 || end < text.size()) && !component.empty();
    const bool computerName = wholeComponent && !computer.empty() && EqualsIgnoreCase(component, computer);
    const bool profileFolder = start > 0 && !component.empty() && !IsSharedProfile(component) &&
                               IsProfileRootBefore(text, start - 1);
    out += (computerName || profileFolder) ? kRedacted : component;
    if (end == text.size()) break;
    out += '\\';
    start = end + 1;
  }
  return out;
}

ReportEntry Redaction::Apply(ReportEntry entry) const {
  if (EqualsIgnoreAsciiCase(entry.section, "MB Info") && EqualsIgnoreAsciiCase(entry.key, "SerialNumber") &&
      !entry.value.empty()) {
    entry.value = std::string(kRedacted);
    return entry;
  }
  // The account entry: the name goes, the fact the row exists for stays.
  if (EqualsIgnoreAsciiCase(entry.section, "User Info")) {
    std::string_view value = entry.value;
    std::string_view suffix;
    for (const std::string_view candidate : kAdministratorSuffixes) {
      if (value.ends_with(candidate)) {
        suffix = candidate;
        break;
      }
    }
    value.remove_suffix(suffix.size());
    if (!value.empty()) entry.value = std::string(kRedacted) + std::string(suffix);
    return entry;
  }
  entry.key = RedactText(entry.key);
  entry.value = RedactText(entry.value);
  return entry;
}

std::string Redaction::RedactLine(std::string_view line) const {
  // A listed name (the groups) that is the account's or the computer's own.
  const std::size_t marker = line.find_first_not_of("\t ");
  if (marker != std::string_view::npos && line.substr(marker).starts_with(kListMarker)) {
    const std::size_t nameStart = marker + kListMarker.size();
    const std::string_view name = line.substr(nameStart);
    const bool own = !facts_.userName.empty() && EqualsIgnoreCase(name, facts_.userName);
    return std::string(line.substr(0, nameStart)) + (own ? std::string(kRedacted) : RedactText(name));
  }
  return RedactText(line);
}

void RedactingBuffer::Use(const Redaction* redaction) {
  sync();
  redaction_ = redaction;
}

int RedactingBuffer::overflow(int c) {
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  const char ch = static_cast<char>(c);
  xsputn(&ch, 1);
  return c;
}

std::streamsize RedactingBuffer::xsputn(const char* text, std::streamsize count) {
  if (redaction_ == nullptr) {
    target_.write(text, count);
    return count;
  }
  for (std::streamsize i = 0; i < count; ++i) {
    if (text[i] != '\n') {
      line_ += text[i];
      continue;
    }
    target_ << redaction_->RedactLine(line_) << '\n';
    line_.clear();
  }
  return count;
}

int RedactingBuffer::sync() {
  if (!line_.empty()) {
    target_ << (redaction_ != nullptr ? redaction_->RedactLine(line_) : line_);
    line_.clear();
  }
  target_.flush();
  return 0;
}

}  // namespace tarnwick
