#include "app/report_redaction.h"

#include <array>
#include <cctype>

#include "platform/text.h"

namespace tarnwick {
namespace {

// The enumerators whose instance paths can name one device: "USB\VID_...\serial".
constexpr std::array<std::string_view, 16> kEnumerators = {
    "USB",  "USBSTOR", "PCI",  "HID",     "HDAUDIO", "ACPI",    "ROOT",    "SWD",
    "SCSI", "IDE",     "STORAGE", "BTHENUM", "DISPLAY", "MONITOR", "WINEBUS", "1394"};

constexpr std::string_view kEnumKey = "\\Enum\\";

bool IsWordCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return std::isalnum(byte) || c == '_' || c == '-' || c == '.' || byte >= 0x80;
}

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

}  // namespace

std::string Redaction::RedactText(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const bool wordStart = i == 0 || !IsWordCharacter(text[i - 1]);
    // The user's name as a whole word; Windows account names ignore case.
    if (wordStart && !userName_.empty() && i + userName_.size() <= text.size() &&
        EqualsIgnoreCase(text.substr(i, userName_.size()), userName_) &&
        (i + userName_.size() == text.size() || !IsWordCharacter(text[i + userName_.size()]))) {
      out += kRedacted;
      i += userName_.size();
      continue;
    }
    // A device instance path, where the report puts one: the whole text, or
    // below "Enum\" in a registry path; never a folder of a file path such
    // as "D:\USB\Tuner\DTVR\x.exe". Its instance part runs to the next blank.
    const bool belowEnum =
        i >= kEnumKey.size() && EqualsIgnoreAsciiCase(text.substr(i - kEnumKey.size(), kEnumKey.size()), kEnumKey);
    if (i == 0 || belowEnum) {
      if (const std::size_t instance = InstancePartAt(text, i); instance != std::string_view::npos) {
        out.append(text.substr(i, instance - i)).append(kRedacted);
        i = instance;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

ReportEntry Redaction::Apply(ReportEntry entry) const {
  if (EqualsIgnoreAsciiCase(entry.section, "MB Info") && EqualsIgnoreAsciiCase(entry.key, "SerialNumber") &&
      !entry.value.empty()) {
    entry.value = std::string(kRedacted);
    return entry;
  }
  entry.key = RedactText(entry.key);
  entry.value = RedactText(entry.value);
  return entry;
}

}  // namespace tarnwick
