// The small data tables the checks read beside the report: the report's
// sections in run order, the tuner hardware groups, the filter categories,
// the customers' countries with their analogue TV standards.
#pragma once

#include <span>
#include <string_view>

namespace tarnwick::desk {

struct CountryRow {
  std::string_view code;  // the telephone country code Windows stores as "iCountry"
  std::string_view name;
  std::string_view tvStandard;  // "NTSC", "PAL", "SECAM", "PAL-M", "PAL-N"
};

std::span<const std::string_view> RunSections();
std::span<const std::string_view> TunerGroupLabels();
std::span<const CountryRow> Countries();

}  // namespace tarnwick::desk
