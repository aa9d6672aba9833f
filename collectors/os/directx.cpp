// The installed DirectX version as the registry records it, and version 10
// when the Direct3D 10 runtime loads: section "DirectX".
#include "collectors/collectors.h"

namespace tarnwick {
namespace {

constexpr std::string_view kDirectXKey = "SOFTWARE\\Microsoft\\DirectX";

}  // namespace

void CollectDirectX(CollectorContext& context) {
  const auto& registry = context.registry;
  context.report.AddReportEntry("DirectX", "DirectX Version",
                                registry.ReadKeyText(RegistryRoot::LocalMachine, kDirectXKey, "Version"));
  context.report.AddReportEntry("DirectX", "Release Candidate",
                                registry.ReadKeyText(RegistryRoot::LocalMachine, kDirectXKey, "RC"));
  if (context.platform.libraries.CanLoad("D3D10.DLL")) {
    context.report.AddReportEntry("DirectX", "DirectX Version", "10");
  }
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
