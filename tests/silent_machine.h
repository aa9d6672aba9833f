// A computer on which every platform query fails or finds nothing, with the
// report files and the executable path the test chooses. Shared by the tests
// of the run and of the console programs.
#pragma once

#include <string>

#include "platform/absent_services.h"
#include "platform/executable_path.h"
#include "platform/memory_registry.h"

namespace tarnwick::testing_support {

class SilentMachine {
 public:
  explicit SilentMachine(ReportFiles& files, std::string executable = "C:\\Tarnwick\\Tarnwick.exe",
                         std::optional<std::string> desktop = std::nullopt)
      : executable_(std::move(executable), std::move(desktop)),
        services_{registry_, system_, memoryPower_, users_, libraries_, devices_,
                  waveOutput_, wmi_, directShow_, fileVersions_, executable_, files} {}

  Platform& Services() { return services_; }

 private:
  MemoryRegistry registry_;
  AbsentSystemFacts system_;
  AbsentMemoryPower memoryPower_;
  AbsentUserAccounts users_;
  AbsentLibraries libraries_;
  AbsentDevices devices_;
  AbsentWaveOutput waveOutput_;
  AbsentWmi wmi_;
  AbsentDirectShow directShow_;
  AbsentFileVersions fileVersions_;
  FixedExecutablePath executable_;
  Platform services_;
};

}  // namespace tarnwick::testing_support
