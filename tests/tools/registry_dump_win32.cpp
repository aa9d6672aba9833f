// registry_dump.exe ROOT\PATH...: the tree as the Win32 layer reads it.
#include <iostream>

#include "platform/win32/win32_registry.h"
#include "tests/tools/registry_dump.h"

int main(int argc, char** argv) {
  using namespace tarnwick;
  win32::Win32Registry backend;
  RegistryAccess registry(backend);
  for (int i = 1; i < argc; ++i) {
    const std::string where = argv[i];
    const auto root = where.rfind("HKCU\\", 0) == 0 ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
    DumpKeyTree(registry, root, where.substr(5), std::cout);
  }
  return 0;
}
