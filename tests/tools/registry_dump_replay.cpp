// registry_dump REGFILE ROOT\PATH...: the tree as the replay layer reads a
// regedit file.
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/memory_registry.h"
#include "platform/replay/reg_file.h"
#include "tests/tools/registry_dump.h"

int main(int argc, char** argv) {
  using namespace tarnwick;
  if (argc < 3) {
    std::cerr << "usage: registry_dump REGFILE HKLM\\PATH|HKCU\\PATH...\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  MemoryRegistry store;
  if (const auto error = ReadRegFile(content.str(), argv[1], store)) {
    std::cerr << Describe(*error) << '\n';
    return 1;
  }
  RegistryAccess registry(store);
  for (int i = 2; i < argc; ++i) {
    const std::string where = argv[i];
    const auto root = where.rfind("HKCU\\", 0) == 0 ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
    DumpKeyTree(registry, root, where.substr(5), std::cout);
  }
  return 0;
}
