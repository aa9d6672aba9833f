// A large, well filled computer for the replay benchmark and the whole-run
// crash test: 300 devices with known tuner hardware, media-class and
// display drivers among them, 500 installed applications that each declare
// an install folder, the TV applications and the encoder pack, every
// DirectShow category with 50 filters, a tuner with its configuration
// memory, base board, display, audio, USB controllers and tuning spaces.
// A run against it writes about 3,000 rows and a report of about 120 KB.
// The same machine every time.
#pragma once

#include <string>

namespace tarnwick::large_machine {

struct MachineTexts {
  std::string registryReg;  // REGEDIT4
  std::string machineJson;
};

MachineTexts Texts();

// Writes registry.reg and machine.json into folder, creating it; false when
// a file cannot be written.
bool WriteMachineFolder(const std::string& folder);

}  // namespace tarnwick::large_machine
