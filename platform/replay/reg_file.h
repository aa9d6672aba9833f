// Regedit exports read into the in-memory registry: the registry of a
// replayed computer.
//
// Accepted: the header "REGEDIT4" or "Windows Registry Editor Version 5.00";
// 8-bit text, or UTF-16LE with a byte-order mark for the 5.00 form; CR LF, LF
// or CR line ends; key lines "[root\path]" and "[-root\path]"; value lines
// "name"=... and @=... holding "text", dword:, hex:, hex(N): or -; hex data
// continued over lines ending in '\'; comment lines starting with ';' or '#'.
// Keys under roots other than HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (a
// whole-registry export holds HKEY_USERS and others) are read and dropped.
#pragma once

#include <optional>
#include <string_view>

#include "platform/memory_registry.h"
#include "platform/replay/load_error.h"

namespace tarnwick {

// Applies the file to the registry in file order; on malformed input the
// error names fileName and the line, and the registry holds what came
// before that line.
std::optional<LoadError> ReadRegFile(std::string_view content, std::string_view fileName, MemoryRegistry& registry);

}  // namespace tarnwick
