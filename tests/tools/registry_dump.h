// Prints a registry tree as the shared registry layer reads it: every key,
// each of a fixed list of value names read as text and as number, and the
// subkeys in enumeration order. The same tree read through two backends
// must print the same.
#pragma once

#include <ostream>
#include <string>

#include "platform/registry_access.h"

namespace tarnwick {

void DumpKeyTree(const RegistryAccess& registry, RegistryRoot root, const std::string& path, std::ostream& out);

}  // namespace tarnwick
