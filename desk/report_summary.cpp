#include "desk/report_summary.h"

#include <string_view>

#include "desk/check_data.h"
#include "desk/windows_release.h"

namespace tarnwick::desk {
namespace {

constexpr std::string_view kAdministrator = " is Administrator";
constexpr std::string_view kNotAdministrator = " is not Administrator";
constexpr std::string_view kDateMark = " Date:";  // between a file's version and its date

// Filter categories whose filters a TV program opens: capture devices, and
// the tuner and receiver filters of digital TV.
constexpr std::string_view kCaptureCategories[] = {"Video Capture Sources ", "WDM Streaming Capture Devices "};
constexpr std::string_view kBdaCategories[] = {"NETWORK TUNER ", "RECEIVER COMPONENT "};

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

void AddTuner(Summary& summary, const Report& report, const ReportEntry& entry) {
  for (std::string_view label : TunerGroupLabels()) {
    if (!StartsWithAscii(entry.key, label) || !AllDigits(std::string_view(entry.key).substr(label.size()))) continue;
    const auto detail = [&](std::string_view name) { return Trim(report.Value("DeviceInfo", entry.key + "_" + std::string(name))); };
    summary.tuners.push_back({.group = std::string(label.substr(0, label.find(" ID "))),
                              .number = entry.key.substr(label.size()),
                              .hardwareId = entry.value,
                              .provider = detail("ProviderName"),
                              .version = detail("DriverVersion"),
                              .date = detail("DriverDate")});
    return;
  }
}

void AddFilter(Summary& summary, const ReportEntry& entry) {
  for (std::string_view label : kCaptureCategories) {
    if (StartsWithAscii(entry.key, label)) summary.captureFilters.push_back(entry.value);
  }
  for (std::string_view label : kBdaCategories) {
    if (StartsWithAscii(entry.key, label)) summary.bdaFilters.push_back(entry.value);
  }
}

// A file entry of the application inventory: its key names the program and
// file, its value is the version, " Date:" and the file's date.
void AddApplication(Summary& summary, const ReportEntry& entry) {
  if (EndsWith(entry.key, " Path") || entry.key == "CyberLink") return;
  const std::size_t date = entry.value.find(kDateMark);
  summary.applications.push_back({.name = Trim(entry.key), .value = Trim(entry.value.substr(0, date))});
}

}  // namespace

Summary Summarise(const Report& report) {
  Summary summary;
  summary.kind = report.kind == ReportKind::kLinux ? "linux" : "windows";
  const std::string minor = Trim(report.Value("Windows OS", "MinorVersion"));
  const std::string build = Trim(report.Value("Windows OS", "BuildVersion"));
  const std::string platform = report.Value("Windows OS", "Platform");
  if (report.kind == ReportKind::kWindows) {
    summary.windows = NameWindowsRelease(minor, build, platform);
    if (!minor.empty()) summary.version = minor + " build " + build;
  }
  summary.edition = Trim(platform);
  summary.servicePack = Trim(report.Value("Windows OS", "ServicePack"));
  summary.directX = Trim(report.Value("DirectX", "DirectX Version"));
  summary.processor = Trim(report.Value("Processor", "ProcessorName"));
  const std::string clock = Trim(report.Value("Processor", "MHz"));
  if (!clock.empty() && clock != "0.0G") summary.processor += (summary.processor.empty() ? "" : ", ") + clock + "Hz";
  const std::string memory = Trim(report.Value("Memory", "TotalPhys"));
  if (!memory.empty()) summary.memory = memory + " MB";
  const std::string user = report.Value("User Info", "User Name");
  if (EndsWith(user, kNotAdministrator)) {
    summary.user = user.substr(0, user.size() - kNotAdministrator.size());
    summary.administrator = false;
  } else if (EndsWith(user, kAdministrator)) {
    summary.user = user.substr(0, user.size() - kAdministrator.size());
    summary.administrator = true;
  } else {
    summary.user = user;
  }
  if (report.kind == ReportKind::kLinux) {
    const auto fact = [&](std::string_view key) { return Trim(report.Value("Linux OS", std::string(key))); };
    summary.linuxSystem = LinuxSystem{.distribution = fact("Distribution"),
                                      .distributionId = fact("Distribution ID"),
                                      .kernel = fact("Kernel"),
                                      .architecture = fact("Architecture"),
                                      .capturedTree = fact("Captured Tree"),
                                      .factsOfThisComputer = fact("Facts Of This Computer")};
  }
  summary.usbType = Trim(report.Value("USBInfo", "USB TYPE"));
  for (const ReportEntry& entry : report.entries) {
    if (entry.shadowed) continue;
    const auto in = [&](std::string_view section) { return StartsWithAscii(entry.section, section) && entry.section.size() == section.size(); };
    if (in("DeviceInfo")) AddTuner(summary, report, entry);
    else if (in("Empia Data")) summary.tunerSettings.push_back({.name = entry.key, .value = entry.value});
    else if (in("Application Info") || in("MCE Encoder Info")) AddApplication(summary, entry);
    else if (in("Filter Name")) AddFilter(summary, entry);
  }
  return summary;
}

}  // namespace tarnwick::desk
