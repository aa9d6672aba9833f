// The first processor's name, identifier and clock, and whether a second
// logical processor exists: section "Processor".
#include <cstdio>
#include <string>

#include "collectors/collectors.h"
#include "collectors/os/processor.h"

namespace tarnwick {
namespace {

constexpr std::string_view kFirstProcessor = "Hardware\\Description\\System\\CentralProcessor\\0";
constexpr std::string_view kSecondProcessor = "Hardware\\Description\\System\\CentralProcessor\\1";

}  // namespace

std::string ClockText(std::uint32_t megahertz) {
  const std::uint32_t remainder = megahertz % 1000;
  char text[32];
  if (remainder == 0) {
    std::snprintf(text, sizeof text, "%u.0G", megahertz / 1000);
  } else {
    std::snprintf(text, sizeof text, "%u.%03uG", megahertz / 1000, remainder);
  }
  return text;
}

void CollectProcessor(CollectorContext& context) {
  const auto& registry = context.registry;
  constexpr auto HKLM = RegistryRoot::LocalMachine;
  context.report.AddReportEntry("Processor", "ProcessorName",
                                registry.ReadKeyText(HKLM, kFirstProcessor, "ProcessorNameString"));
  context.report.AddReportEntry("Processor", "Identifier", registry.ReadKeyText(HKLM, kFirstProcessor, "Identifier"));

  std::uint32_t megahertz = 0;
  if (const RegistryKey key = registry.Open(HKLM, kFirstProcessor)) registry.ReadNumber(key, "~MHz", megahertz);
  context.report.AddReportEntry("Processor", "MHz", ClockText(megahertz));

  const bool second = static_cast<bool>(registry.Open(HKLM, kSecondProcessor, OpenAccess::QueryValue));
  context.report.AddReportEntry("Processor", "Enable HyperThreading", second ? "1" : "0");
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
