// Known program files in the install folders that the Windows list of
// installed applications declares: section "Application Info", each file
// under its full path.
#include "collectors/collectors.h"
#include "collectors/tuner/file_stamp.h"
#include "collectors/tuner/known_program_files.h"

namespace tarnwick {
namespace {

constexpr std::string_view kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::uint32_t kMaxUninstallEntries = 500;
// A key path is built in 260 characters.
constexpr std::size_t kMaxKeyPath = 259;

// The folder is used as read: one that ends in a backslash gives a doubled
// one in the keys, as stored reports show it; an empty one gives paths that
// start with a backslash, which Windows looks up on the current drive. A
// full path longer than 259 characters is not looked up (FileStampValue
// refuses it): the file counts as absent.
void ReportKnownFiles(CollectorContext& context, const std::string& folder) {
  for (const std::string_view relative : kKnownProgramFiles) {
    const std::string path = folder + "\\" + std::string(relative);
    const auto value = FileStampValue(context, path);
    if (!value) continue;
    context.report.AddReportEntry("Application Info", path, *value);
    context.report.AppendGroupSeparator();
  }
}

std::optional<std::string> InstallLocation(const RegistryAccess& registry, const std::string& entryPath) {
  const RegistryKey entry = registry.Open(RegistryRoot::LocalMachine, entryPath);
  return registry.ReadText(entry, "InstallLocation");
}

}  // namespace

void CollectInstalledProgramFiles(CollectorContext& context) {
  const RegistryAccess& registry = context.registry;
  const RegistryKey uninstall = registry.Open(RegistryRoot::LocalMachine, kUninstallKey);
  if (!uninstall) return;
  for (std::uint32_t index = 0; index < kMaxUninstallEntries; ++index) {
    const auto name = registry.SubkeyName(uninstall, index);
    if (!name) break;
    const std::string entryPath = std::string(kUninstallKey) + "\\" + *name;
    // A name too long for the key path's buffer: that entry is passed over.
    if (entryPath.size() > kMaxKeyPath) continue;
    const auto folder = InstallLocation(registry, entryPath);
    if (folder) ReportKnownFiles(context, *folder);
  }
}

}  // namespace tarnwick
