// The current user and whether it belongs to the local "Administrators"
// group: section "User Info".
#include <string>

#include "collectors/collectors.h"

namespace tarnwick {
namespace {

// Compared exactly: a translated group name never counts.
constexpr std::string_view kAdministratorsGroup = "Administrators";

}  // namespace

void CollectUserAccount(CollectorContext& context) {
  const auto name = context.platform.users.UserName();
  if (!name) return;
  const auto groups = context.platform.users.LocalGroups(*name);
  if (!groups) return;

  bool administrator = false;
  for (const std::string& group : *groups) {
    if (group == kAdministratorsGroup) administrator = true;
    context.diagnostics << "\t-- " << group << '\n';
  }
  context.report.AddReportEntry("User Info", "User Name",
                                *name + (administrator ? " is Administrator" : " is not Administrator"));
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
