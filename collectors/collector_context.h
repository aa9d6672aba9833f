// What a collector sees: where it writes, the registry, the other platform
// services, the diagnostics stream, and the state the run keeps across
// collectors.
#pragma once

#include <memory>
#include <ostream>

#include "collectors/report_writer.h"
#include "platform/platform.h"
#include "platform/registry_access.h"

namespace tarnwick {

class TunerDeviceAccess;

// State owned by the main dialog that outlives one collector.
struct CollectionState {
  CollectionState();
  ~CollectionState();
  bool usb2RootHubSeen = false;
  std::unique_ptr<TunerDeviceAccess> tunerDevice;
};

struct CollectorContext {
  ReportWriter& report;
  const RegistryAccess& registry;
  Platform& platform;
  std::ostream& diagnostics;  // never part of the report
  CollectionState& state;
};

}  // namespace tarnwick
