// Fuzz target for the machine.json reader: any bytes as a machine
// description. A refusal must say why; what is accepted must fit the
// platform records it stands for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/replay/machine_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  tarnwick::MachineFacts facts;
  if (const auto error = tarnwick::ReadMachineFile(content, "machine.json", facts)) {
    if (error->message.empty()) std::abort();
    return 0;
  }
  if (facts.version && facts.version->record.servicePack.size() > 127) std::abort();
  if (facts.user.name && facts.user.name->size() > 256) std::abort();
  for (const auto& device : facts.waveOut) {
    if (device.caps.name.size() > 31) std::abort();
  }
  return 0;
}
