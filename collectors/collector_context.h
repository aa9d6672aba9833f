// What a collector sees: where it writes, the registry, the other platform
// services, the diagnostics stream, and the state the run keeps across
// collectors.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "collectors/report_writer.h"
#include "platform/platform.h"
#include "platform/registry_access.h"

namespace tarnwick {

class TunerDeviceAccess;
class FileVersionReader;

// State owned by the main dialog that outlives one collector.
struct CollectionState {
  CollectionState();
  ~CollectionState();
  bool usb2RootHubSeen = false;
  std::unique_ptr<TunerDeviceAccess> tunerDevice;
  // The application inventory's working state: one reader and the last
  // version and date texts, reused file after file.
  FileVersionReader& FileReader(FileVersions& source);
  std::unique_ptr<FileVersionReader> fileReader;
  std::string versionText;
  std::string dateText;
};

struct CollectorContext {
  ReportWriter& report;
  const RegistryAccess& registry;
  Platform& platform;
  std::ostream& diagnostics;  // never part of the report
  CollectionState& state;
};

}  // namespace tarnwick
