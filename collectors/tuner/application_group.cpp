#include "collectors/tuner/application_group.h"

#include "collectors/tuner/file_stamp.h"

namespace tarnwick {

std::optional<std::string> ReadInstallPath(const RegistryAccess& registry, std::string_view keyPath,
                                           std::string_view valueName) {
  const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, keyPath);
  return registry.ReadText(key, valueName, kInstallPathBuffer);
}

void ReportInstalledApplication(CollectorContext& context, std::string_view section,
                                const InstalledApplication& application) {
  const auto installPath = ReadInstallPath(context.registry, application.registryKey, application.valueName);
  if (!installPath) return;
  // The path is used as stored: one that ends in a backslash gives a doubled
  // one in the folder entry, as the support desk's stored reports show it;
  // Windows finds the files under it all the same.
  const std::string folder = *installPath + "\\";
  context.report.AddReportEntry(section, application.pathKey, folder);
  for (const ApplicationFile& file : application.files) {
    const auto value = FileStampValue(context, folder + std::string(file.name));
    if (!value) continue;
    context.report.AddReportEntry(section, std::string(application.label) + std::string(file.keySuffix), *value);
    if (file.separatorAfter) context.report.AppendGroupSeparator();
  }
}

}  // namespace tarnwick
