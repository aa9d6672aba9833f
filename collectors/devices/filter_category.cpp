// The filters of one DirectShow device category: section "Filter Name".
#include <string>

#include "collectors/collectors.h"

namespace tarnwick {
namespace {

// The name is kept in an 80-byte record: a longer one is cut to its first
// 79 bytes, as stored reports hold it.
constexpr std::size_t kLongestFilterName = 79;

void ListFilters(CollectorContext& context, std::string_view label, const Guid& category) {
  auto monikers = context.platform.directShow.EnumerateCategory(category);
  // An empty or unregistered category answers S_FALSE and lists nothing.
  if (!monikers) return;
  // The counter moves only for a name that was read, so a filter without one
  // leaves no gap in the keys.
  int counter = 0;
  for (int taken = 0; taken < kMostMonikersPerCategory; ++taken) {
    const auto moniker = (*monikers)->Next();
    if (!moniker) break;
    auto name = moniker->ReadFriendlyName();
    if (!name) continue;
    if (name->size() > kLongestFilterName) name->resize(kLongestFilterName);
    context.report.AddReportEntry("Filter Name", std::string(label) + std::to_string(counter), *name);
    ++counter;
  }
}

}  // namespace

void CollectFilterCategory(CollectorContext& context, std::string_view label, const Guid& category) {
  DirectShowDevices& devices = context.platform.directShow;
  const std::int32_t com = devices.ComInitialize();
  ListFilters(context, label, category);
  // Every COM object of the category is released by now. Each successful
  // initialisation is undone here, so COM is balanced after the run.
  if (Succeeded(com)) devices.ComUninitialize();
}

}  // namespace tarnwick
