// The collectors of the collection run, in the order the run calls them.
#pragma once

#include <string_view>

#include "collectors/collector_context.h"
#include "platform/guid.h"

namespace tarnwick {

void CollectUserAccount(CollectorContext& context);
void CollectWindowsOs(CollectorContext& context);
void CollectDirectX(CollectorContext& context);
void CollectProcessor(CollectorContext& context);
void CollectMemory(CollectorContext& context);
void CollectDisplayAdapter(CollectorContext& context);
void CollectAudioDevice(CollectorContext& context);
void CollectRegionalAndPower(CollectorContext& context);
void CollectMotherboard(CollectorContext& context);
void CollectSystemDevices(CollectorContext& context);
void CollectTunerSettings(CollectorContext& context);
void CollectTvApplications(CollectorContext& context);
void CollectInstalledProgramFiles(CollectorContext& context);
void CollectMceEncoder(CollectorContext& context);
void CollectTuningSpaces(CollectorContext& context);
void CollectFilterCategory(CollectorContext& context, std::string_view label, const Guid& category);

struct LinuxOsFacts;
class LinuxTunerFacts;
// The Linux host's own sections, after the run's last step: "Linux OS",
// then "Linux Tuner Check".
void CollectLinuxSections(CollectorContext& context, const LinuxOsFacts& os, LinuxTunerFacts& tuner);

}  // namespace tarnwick
