// The commands over many reports: index, recheck, forget, table and page.
#pragma once

#include <string_view>

namespace tarnwick::desk {

bool IsStoreCommand(std::string_view command);
// argv[1] is the command; the exit status.
int RunStoreCommand(int argc, char** argv);

}  // namespace tarnwick::desk
