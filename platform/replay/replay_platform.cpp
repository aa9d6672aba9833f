#include "platform/replay/replay_platform.h"

#include <filesystem>

namespace tarnwick {
namespace {

std::optional<std::string> CreateFolder(const std::string& folder) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) return "cannot create the folder " + folder + ": " + code.message();
  return std::nullopt;
}

}  // namespace

DriveMap ReplayDrives(const std::string& outFolder) {
  DriveMap drives;
  for (char letter = 'a'; letter <= 'z'; ++letter) drives.Map(letter, outFolder + "/drive_" + letter);
  return drives;
}

ReplayPlatform::ReplayPlatform(ReplayMachine& machine, const std::string& outFolder)
    : facts_(machine.facts),
      system_(machine.facts),
      memoryPower_(machine.facts),
      users_(machine.facts),
      libraries_(machine.facts),
      devices_(machine.facts),
      waveOutput_(machine.facts),
      wmi_(machine.facts),
      directShow_(machine.facts),
      fileVersions_(machine.facts),
      executable_(machine.facts),
      files_(ReplayDrives(outFolder)),
      services_{machine.registry, system_,       memoryPower_,  users_,      libraries_, devices_,
                waveOutput_,      wmi_,          directShow_,   fileVersions_, executable_, files_} {}

std::optional<std::string> ReplayPlatform::CreateOutputFolders() const {
  const DriveMap& drives = files_.Drives();
  if (auto problem = CreateFolder(drives.HostPath("C:\\").value())) return problem;
  const auto program = drives.HostPath(facts_.executablePath);
  if (!program) return std::nullopt;  // on no drive: no copy beside it either
  return CreateFolder(std::filesystem::path(*program).parent_path().string());
}

}  // namespace tarnwick
