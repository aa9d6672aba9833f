// A machine folder: registry.reg and machine.json, both optional, read and
// checked before anything runs.
#pragma once

#include <optional>
#include <string>

#include "platform/memory_registry.h"
#include "platform/replay/load_error.h"
#include "platform/replay/machine_facts.h"

namespace tarnwick {

struct ReplayMachine {
  MemoryRegistry registry;
  MachineFacts facts;
};

inline constexpr const char* kRegistryFileName = "registry.reg";
inline constexpr const char* kMachineFileName = "machine.json";

// A missing folder, an unreadable file or a malformed one is an error that
// names the file; errors are named by the folder's path joined with the file name.
std::optional<LoadError> LoadMachineFolder(const std::string& folder, ReplayMachine& machine);

}  // namespace tarnwick
