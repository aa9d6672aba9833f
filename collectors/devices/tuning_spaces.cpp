// Broadcast tuning spaces: section "TuningSpaces".
#include <string>

#include "collectors/collectors.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kTuningSpaces = "SOFTWARE\\Microsoft\\Tuning Spaces";
constexpr std::uint32_t kMostTuningSpaces = 100;

}  // namespace

void CollectTuningSpaces(CollectorContext& context) {
  const RegistryAccess& registry = context.registry;
  constexpr auto HKLM = RegistryRoot::LocalMachine;
  // The value built for the previous index, written or not: a space equal to
  // the one before it is left out, and its number stays unused.
  std::string previous;
  if (const RegistryKey spaces = registry.Open(HKLM, kTuningSpaces)) {
    for (std::uint32_t index = 0; index < kMostTuningSpaces; ++index) {
      const auto name = registry.SubkeyName(spaces, index);
      if (!name) break;
      const std::string path = std::string(kTuningSpaces) + "\\" + *name;
      std::string value = registry.ReadKeyText(HKLM, path, "Description") + "========" +
                          registry.ReadKeyText(HKLM, path, "Name");
      if (!EqualsIgnoreAsciiCase(value, previous)) {
        context.report.AddReportEntry("TuningSpaces", "Description" + std::to_string(index + 1), value);
      }
      previous = std::move(value);
    }
  }
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
