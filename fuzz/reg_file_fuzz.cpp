// Fuzz target for the regedit reader: any bytes as a registry.reg file. A
// refusal must name a line of the file; what is accepted must be readable
// back through the store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/memory_registry.h"
#include "platform/replay/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  tarnwick::MemoryRegistry registry;
  if (const auto error = tarnwick::ReadRegFile(content, "registry.reg", registry)) {
    if (error->message.empty()) std::abort();
    return 0;
  }
  // Walk the first levels of what was stored, as the collectors would.
  for (const auto root : {tarnwick::RegistryRoot::LocalMachine, tarnwick::RegistryRoot::CurrentUser}) {
    const auto key = registry.OpenKey(root, "", tarnwick::OpenAccess::Read);
    if (!key) std::abort();
    for (std::uint32_t i = 0; i < 64; ++i) {
      const auto name = registry.SubkeyName(*key, i);
      if (!name) break;
      if (name->empty() || name->size() > 255) std::abort();
      if (const auto child = registry.OpenKey(root, *name, tarnwick::OpenAccess::Read)) registry.CloseKey(*child);
    }
    registry.CloseKey(*key);
  }
  return 0;
}
