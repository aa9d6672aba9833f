// What the installed-application collectors share: reading an install folder
// from the registry, and reporting one application's folder and the files of
// its list that have a version.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "collectors/collector_context.h"

namespace tarnwick {

// Install paths are read into 128 bytes, so the longest one read is 127
// characters; a longer one counts as no install path.
inline constexpr std::size_t kInstallPathBuffer = 128;

// One program file of an application: the key of its entry is the
// application's label followed by keySuffix.
struct ApplicationFile {
  std::string_view name;
  std::string_view keySuffix;
  bool separatorAfter = false;
};

// An application found through its own install-path entry below
// HKEY_LOCAL_MACHINE.
struct InstalledApplication {
  std::string_view registryKey;
  std::string_view valueName;
  std::string_view label;
  std::string_view pathKey;
  std::span<const ApplicationFile> files;
};

// The install path of keyPath's value below HKEY_LOCAL_MACHINE, whatever
// the value's type; nothing when the key or the value is missing or the
// text needs more than 128 bytes.
std::optional<std::string> ReadInstallPath(const RegistryAccess& registry, std::string_view keyPath,
                                           std::string_view valueName);

// Writes, in section, the application's folder and then each file of its
// list that has a version, with the separators its list places; nothing at
// all when the application has no install path.
void ReportInstalledApplication(CollectorContext& context, std::string_view section,
                                const InstalledApplication& application);

}  // namespace tarnwick
