#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// A clock in megahertz as gigahertz: 2394 gives 2.394G, 2050 gives 2.050G,
// 3000 gives 3.0G.
std::string ClockText(std::uint32_t megahertz);

}  // namespace tarnwick
