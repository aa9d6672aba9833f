// machine.json: the facts of a replayed computer that do not live in its
// registry. Every field is optional; values must fit the platform records
// they stand for, and a value that does not is refused with its line.
// Fields this reader does not know are accepted and ignored, so that the
// format can grow by optional fields.
#pragma once

#include <optional>
#include <string_view>

#include "platform/replay/load_error.h"
#include "platform/replay/machine_facts.h"

namespace tarnwick {

std::optional<LoadError> ReadMachineFile(std::string_view content, std::string_view fileName, MachineFacts& facts);

}  // namespace tarnwick
