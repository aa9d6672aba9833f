// The company names behind the manufacturer ids of Windows multimedia devices.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnwick {

// The company name of a wave device's manufacturer id; "Unknown" for every
// id the table does not hold. Only the low 16 bits take part.
std::string_view ManufacturerName(std::uint32_t manufacturerId);

}  // namespace tarnwick
