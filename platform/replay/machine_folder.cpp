#include "platform/replay/machine_folder.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/replay/machine_file.h"
#include "platform/replay/reg_file.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The whole file; nothing with error set when it exists but cannot be read.
std::optional<std::string> ReadOptionalFile(const fs::path& path, std::optional<LoadError>& error) {
  std::error_code code;
  const fs::file_status status = fs::status(path, code);
  if (status.type() == fs::file_type::not_found) return std::nullopt;
  // Only a plain file is opened: opening a pipe would wait for a writer.
  if (code || !fs::is_regular_file(status)) {
    error = LoadError{path.string(), 0, "cannot be read"};
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = LoadError{path.string(), 0, "cannot be read"};
    return std::nullopt;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    error = LoadError{path.string(), 0, "cannot be read"};
    return std::nullopt;
  }
  return std::move(content).str();
}

}  // namespace

std::optional<LoadError> LoadMachineFolder(const std::string& folder, ReplayMachine& machine) {
  std::error_code code;
  if (!fs::is_directory(folder, code)) return LoadError{folder, 0, "no such machine folder"};

  // machine.json first: its code page decides how the registry's names and
  // texts read. Its faults are told after the registry's, as they stand in
  // the folder's description.
  std::optional<LoadError> machineError;
  const fs::path machinePath = fs::path(folder) / kMachineFileName;
  if (const auto content = ReadOptionalFile(machinePath, machineError)) {
    machineError = ReadMachineFile(*content, machinePath.string(), machine.facts);
  }
  machine.registry.SetCodePage(machine.facts.codePage);
  std::optional<LoadError> error;
  const fs::path registryPath = fs::path(folder) / kRegistryFileName;
  if (const auto content = ReadOptionalFile(registryPath, error)) {
    error = ReadRegFile(*content, registryPath.string(), machine.registry);
  }
  return error ? error : machineError;
}

}  // namespace tarnwick
