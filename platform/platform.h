// Every platform service the collectors and the report see. Each layer (Win32,
// Linux, replay) supplies one object of each kind.
#pragma once

#include "platform/device_list.h"
#include "platform/direct_show.h"
#include "platform/executable_path.h"
#include "platform/file_versions.h"
#include "platform/library_loader.h"
#include "platform/memory_power.h"
#include "platform/registry_backend.h"
#include "platform/report_files.h"
#include "platform/system_facts.h"
#include "platform/user_accounts.h"
#include "platform/wave_output.h"
#include "platform/wmi_board.h"

namespace tarnwick {

struct Platform {
  RegistryBackend& registry;
  SystemFacts& system;
  MemoryPower& memoryPower;
  UserAccounts& users;
  LibraryLoader& libraries;
  DeviceList& devices;
  WaveOutput& waveOutput;
  WmiBoard& wmi;
  DirectShowDevices& directShow;
  FileVersions& fileVersions;
  ExecutablePath& executable;
  ReportFiles& files;
};

}  // namespace tarnwick
