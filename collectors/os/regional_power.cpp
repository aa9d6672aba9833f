// Whether hibernation is available and the user's regional settings:
// section "SystemInfo".
#include <array>

#include "collectors/collectors.h"

namespace tarnwick {
namespace {

constexpr std::string_view kInternational = "Control Panel\\International";

struct RegionalValue {
  std::string_view key;
  std::string_view valueName;
};

constexpr std::array<RegionalValue, 4> kRegionalValues = {{
    {"CountryCode", "iCountry"},
    {"Locale", "Locale"},
    {"Country", "sCountry"},
    {"Language", "sLanguage"},
}};

}  // namespace

void CollectRegionalAndPower(CollectorContext& context) {
  const PowerCapabilities power = context.platform.memoryPower.QueryPower().value_or(PowerCapabilities{});
  context.report.AddReportEntry("SystemInfo", "Enable Hibernation", power.hiberFilePresent ? "1" : "0");
  for (const RegionalValue& value : kRegionalValues) {
    context.report.AddReportEntry(
        "SystemInfo", value.key,
        context.registry.ReadKeyText(RegistryRoot::CurrentUser, kInternational, value.valueName));
  }
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
