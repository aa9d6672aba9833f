// Windows edition, version and service pack: section "Windows OS".
#include <array>
#include <string>

#include "collectors/collectors.h"
#include "collectors/os/os_version_facts.h"

namespace tarnwick {
namespace {

struct SuiteName {
  std::uint16_t bit;
  std::string_view text;
};

// In the order the bits are tested; every text but the first follows a ";",
// even when nothing precedes it.
constexpr std::array<SuiteName, 7> kSuiteNames = {{
    {0x0080, "Data Center"},
    {0x0002, "Advcanced Server"},
    {0x0004, "Microsoft Backoffice"},
    {0x0001, "Microsoft Small Business Server "},
    {0x0020, "Microsoft Small Business Server - Restrictive Client License"},
    {0x0010, "Terminal Server"},
    {0x0200, "Workstation Personal "},
}};

constexpr std::string_view kProductOptionsKey = "System\\CurrentControlSet\\Control\\ProductOptions";
constexpr std::string_view kMediaCenterKey = "System\\WPA\\MediaCenter";

void WriteSuites(CollectorContext& context, std::uint16_t suiteMask) {
  std::string suites;
  for (std::size_t row = 0; row < kSuiteNames.size(); ++row) {
    if ((suiteMask & kSuiteNames[row].bit) == 0) continue;
    if (row > 0) suites += ';';
    suites += kSuiteNames[row].text;
    context.report.AddReportEntry("Windows OS", "strSuites", suites);
  }
}

// The product type must be readable on an NT system with the extended
// record, or nothing after the suites is written.
bool ProductTypeReadable(CollectorContext& context) {
  const RegistryKey key = context.registry.Open(RegistryRoot::LocalMachine, kProductOptionsKey, OpenAccess::QueryValue);
  return context.registry.ReadBytes(key, "ProductType", 64).has_value();
}

}  // namespace

Result<OsVersionFacts> GatherOsVersionFacts(SystemFacts& system) {
  OsVersionFacts facts;
  auto record = system.QueryVersionExtended();
  facts.extended = record.Ok();
  if (!record) record = system.QueryVersionPlain();
  if (!record) return SystemError{record.Error()};
  facts.major = record->major;
  facts.minor = record->minor;
  facts.build = record->build;
  facts.platformId = record->platformId;
  facts.servicePack = record->servicePack;
  if (facts.extended) {
    facts.suiteMask = record->suiteMask;
    facts.productType = record->productType;
  }
  facts.architecture = system.NativeArchitecture();
  facts.serverR2 = facts.major == 5 && facts.minor == 2 && system.IsServerR2();
  return facts;
}

void DetectMediaCenter(CollectorContext& context) {
  std::uint32_t installed = 0;
  if (const RegistryKey key = context.registry.Open(RegistryRoot::LocalMachine, kMediaCenterKey)) {
    context.registry.ReadNumber(key, "Installed", installed);
  }
  bool present = installed != 0;
  if (!present) {
    if (const auto windows = context.platform.system.WindowsDirectory()) {
      present = context.platform.system.FileExists(*windows + "\\ehome\\ehshell.exe");
    }
  }
  context.report.AddReportEntry("Windows OS", "MCE OS", present ? "Yes" : "No");
  context.report.AppendGroupSeparator();
}

void CollectWindowsOs(CollectorContext& context) {
  const auto facts = GatherOsVersionFacts(context.platform.system);
  if (!facts) {
    context.diagnostics << "GetVersion error = " << facts.Error() << " \n";
    return;
  }
  if (facts->platformId == kPlatformNt && facts->extended) {
    WriteSuites(context, facts->suiteMask);
    if (!ProductTypeReadable(context)) return;
  }
  if (facts->platformId == kPlatformNt) {
    context.report.AddReportEntry("Windows OS", "MinorVersion",
                                  std::to_string(facts->major) + "." + std::to_string(facts->minor));
    context.report.AddReportEntry("Windows OS", "BuildVersion", std::to_string(static_cast<std::int32_t>(facts->build)));
  }
  BuildEditionName(context, *facts);
  context.report.AddReportEntry("Windows OS", "ServicePack", facts->servicePack);
  DetectMediaCenter(context);
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
