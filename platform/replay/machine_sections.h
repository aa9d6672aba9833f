// The readers of the parts of machine.json, one per field of the top level.
// Each throws LineError (through JsonField) for a value it refuses.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/replay/json_field.h"
#include "platform/replay/machine_facts.h"

namespace tarnwick {

// Calls read with the member when the object has it.
template <typename Read>
void WithMember(const JsonField& object, std::string_view key, Read&& read) {
  if (const auto member = object.Member(key)) read(*member);
}

// Two members of one object that name the same thing: the one that stands
// later in the file is refused, pointing at the other. The library lists
// members sorted by name, not in file order.
[[noreturn]] inline void RefuseLaterOfTwo(const JsonField& a, const JsonField& b, const std::string& problem) {
  const bool aLater = a.Line() > b.Line();
  (aLater ? a : b).Refuse(problem + std::to_string((aLater ? b : a).Line()));
}

VersionFacts ReadVersionSection(const JsonField& field);
UserFacts ReadUserSection(const JsonField& field);
MemoryStatus ReadMemorySection(const JsonField& field);
PowerCapabilities ReadPowerSection(const JsonField& field);
// Paths without a drive letter lie on currentDrive.
std::map<std::string, FileFacts> ReadFilesSection(const JsonField& field, char currentDrive);
std::vector<HardwareIdRead> ReadDevicesSection(const JsonField& field);
std::vector<WaveDeviceFacts> ReadWaveOutSection(const JsonField& field);
WmiFacts ReadWmiSection(const JsonField& field);
std::vector<CategoryFacts> ReadDirectShowSection(const JsonField& field);

}  // namespace tarnwick
