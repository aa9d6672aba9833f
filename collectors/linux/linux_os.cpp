#include "collectors/linux/linux_os.h"

#include <array>

#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kSection = "Linux OS";

struct ArchitectureAlias {
  std::string_view alias;
  std::string_view machine;
};

// Names distributions give architectures (in package names and kernel
// release suffixes) beside the names uname -m gives.
constexpr std::array<ArchitectureAlias, 12> kArchitectures = {{
    {.alias = "x86_64", .machine = "x86_64"},
    {.alias = "amd64", .machine = "x86_64"},
    {.alias = "aarch64", .machine = "aarch64"},
    {.alias = "arm64", .machine = "aarch64"},
    {.alias = "i686", .machine = "i686"},
    {.alias = "i386", .machine = "i686"},
    {.alias = "686", .machine = "i686"},
    {.alias = "686-pae", .machine = "i686"},
    {.alias = "armv7l", .machine = "armv7l"},
    {.alias = "armmp", .machine = "armv7l"},
    {.alias = "ppc64le", .machine = "ppc64le"},
    {.alias = "riscv64", .machine = "riscv64"},
}};

std::optional<std::string_view> KnownArchitecture(std::string_view name) {
  for (const ArchitectureAlias& row : kArchitectures) {
    if (row.alias == name) return row.machine;
  }
  return std::nullopt;
}

// A value as the shell would read it: plain, or in double or single quotes
// (backslash escapes inside double quotes); nothing when a quote is left open
// or text follows it.
std::optional<std::string> ShellValue(std::string_view value) {
  if (value.empty() || (value.front() != '"' && value.front() != '\'')) {
    if (value.find_first_of("\"'\\`$ ") != std::string_view::npos) return std::nullopt;
    return std::string(value);
  }
  const char quote = value.front();
  std::string text;
  for (std::size_t i = 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c == quote) {
      if (i + 1 != value.size()) return std::nullopt;
      return text;
    }
    if (c == '\\' && quote == '"' && i + 1 < value.size()) {
      text += value[++i];
      continue;
    }
    text += c;
  }
  return std::nullopt;
}

std::optional<std::string> NonEmpty(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  return text;
}

}  // namespace

OsRelease ParseOsRelease(std::string_view text) {
  OsRelease release;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    std::optional<std::string>* field = key == "PRETTY_NAME" ? &release.prettyName
                                        : key == "ID"        ? &release.id
                                        : key == "VERSION_ID" ? &release.versionId
                                                              : nullptr;
    if (field != nullptr) *field = NonEmpty(ShellValue(line.substr(equals + 1)));
  }
  return release;
}

std::optional<std::string> LinuxArchitecture(const std::optional<std::string>& machine,
                                             const std::optional<std::string>& kernel) {
  if (machine && !machine->empty()) return std::string(KnownArchitecture(*machine).value_or(*machine));
  if (!kernel) return std::nullopt;
  const std::string_view release = *kernel;
  // "…-amd64", "…-686-pae", "…fc39.x86_64": the last word after a dash or
  // a dot, or the last two after dashes.
  const std::size_t dash = release.rfind('-');
  const std::size_t dot = release.rfind('.');
  const std::size_t dashBefore = dash == std::string_view::npos || dash == 0 ? std::string_view::npos
                                                                             : release.rfind('-', dash - 1);
  for (const std::size_t at : {dash, dashBefore, dot}) {
    if (at == std::string_view::npos) continue;
    if (const auto known = KnownArchitecture(release.substr(at + 1))) return std::string(*known);
  }
  return std::nullopt;
}

void WriteLinuxOs(ReportWriter& report, const LinuxOsFacts& facts) {
  bool written = false;
  const auto write = [&report, &written](std::string_view key, const std::optional<std::string>& value) {
    if (!value || value->empty()) return;
    report.AddReportEntry(kSection, key, Utf8ToCp1252(*value));
    written = true;
  };
  const OsRelease release = ParseOsRelease(facts.osRelease.value_or(""));
  write("Distribution", release.prettyName);
  if (release.id) write("Distribution ID", release.versionId ? *release.id + " " + *release.versionId : *release.id);
  write("Kernel", NonEmpty(facts.kernel));
  write("Kernel Build", NonEmpty(facts.kernelBuild));
  write("Architecture", LinuxArchitecture(NonEmpty(facts.machine), NonEmpty(facts.kernel)));
  if (facts.capturedTree) {
    write("Captured Tree", facts.capturedTree);
    // The account and the regional settings are read where the program runs.
    write("Facts Of This Computer", std::string("User Info, SystemInfo"));
  }
  if (written) report.AppendGroupSeparator();
}

}  // namespace tarnwick
