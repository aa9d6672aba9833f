// The readable edition name of the "Windows OS" section, built from
// fragments chosen by the version facts, in the order the tables list them.
#include <array>
#include <cstdio>
#include <limits>
#include <string>

#include "collectors/os/os_version_facts.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::uint32_t kAny = std::numeric_limits<std::uint32_t>::max();

// Base name of the NT family by version; the first matching row wins.
enum class BaseCondition { None, Workstation, NotWorkstation, ServerR2, Workstation64 };

struct BaseNameRow {
  std::uint32_t majorMin, majorMax, minorMin, minorMax;
  BaseCondition condition;
  std::string_view fragment;
  bool addsBitness;  // "x64 " or "x86 " by the current user's Wow6432Node key
};

constexpr std::array<BaseNameRow, 11> kBaseNames = {{
    {6, 6, 0, 0, BaseCondition::Workstation, "Windows Vista ", true},
    {6, 6, 0, 0, BaseCondition::NotWorkstation, "Windows Server \"Longhorn\" ", false},
    {6, 6, 0, kAny, BaseCondition::None, "", false},
    {5, 5, 2, 2, BaseCondition::ServerR2, "Microsoft Windows Server 2003 \"R2\"", false},
    {5, 5, 2, 2, BaseCondition::Workstation64, "Microsoft Windows XP Professional x64 Edition ", false},
    {5, 5, 2, 2, BaseCondition::None, "Microsoft Windows Server 2003, ", false},
    {5, 5, 1, 1, BaseCondition::None, "Microsoft Windows XP ", false},
    {5, 5, 0, 0, BaseCondition::None, "Microsoft Windows 2000 ", false},
    {5, 5, 3, kAny, BaseCondition::None, "", false},
    {0, 4, 0, kAny, BaseCondition::None, "Microsoft Windows NT ", false},
    {7, kAny, 0, kAny, BaseCondition::None, "", false},
}};

// Edition by product type, with the extended record; the first matching row
// of the product type wins.
enum class ProductClass { Workstation, Server };
enum class VersionTest { Any, Major4, Version52, Version50, Other };
enum class ArchitectureTest { Any, Ia64, Amd64, Other };
enum class SuiteTest { Any, Has, Equals };

struct EditionRow {
  ProductClass product;
  VersionTest version;
  ArchitectureTest architecture;
  SuiteTest suiteTest;
  std::uint16_t suite;
  std::string_view fragment;
  std::string_view diagnostic;  // printed instead, never part of the report
};

constexpr std::array<EditionRow, 19> kEditions = {{
    {ProductClass::Workstation, VersionTest::Any, ArchitectureTest::Amd64, SuiteTest::Any, 0, "", ""},
    {ProductClass::Workstation, VersionTest::Major4, ArchitectureTest::Any, SuiteTest::Any, 0, "Workstation 4.0 ", ""},
    {ProductClass::Workstation, VersionTest::Any, ArchitectureTest::Any, SuiteTest::Has, 0x0200, "Home Edition ", ""},
    {ProductClass::Workstation, VersionTest::Any, ArchitectureTest::Any, SuiteTest::Any, 0, "Professional ", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Ia64, SuiteTest::Has, 0x0080,
     "Datacenter Edition for Itanium-based Systems", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Ia64, SuiteTest::Has, 0x0002,
     "Enterprise Edition for Itanium-based Systems", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Ia64, SuiteTest::Any, 0, "", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Amd64, SuiteTest::Has, 0x0080,
     "Datacenter x64 Edition ", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Amd64, SuiteTest::Has, 0x0002,
     "Enterprise x64 Edition ", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Amd64, SuiteTest::Any, 0, "",
     "Standard x64 Edition "},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Other, SuiteTest::Has, 0x0080,
     "Datacenter Edition ", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Other, SuiteTest::Has, 0x0002,
     "Enterprise Edition ", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Other, SuiteTest::Equals, 0x0400,
     "Web Edition ", ""},
    {ProductClass::Server, VersionTest::Version52, ArchitectureTest::Other, SuiteTest::Any, 0, "Standard Edition ", ""},
    {ProductClass::Server, VersionTest::Version50, ArchitectureTest::Any, SuiteTest::Has, 0x0080, "Datacenter Server ", ""},
    {ProductClass::Server, VersionTest::Version50, ArchitectureTest::Any, SuiteTest::Has, 0x0002, "Advanced Server ", ""},
    {ProductClass::Server, VersionTest::Version50, ArchitectureTest::Any, SuiteTest::Any, 0, "Server ", ""},
    {ProductClass::Server, VersionTest::Other, ArchitectureTest::Any, SuiteTest::Has, 0x0002,
     "Server 4.0, Enterprise Edition ", ""},
    {ProductClass::Server, VersionTest::Other, ArchitectureTest::Any, SuiteTest::Any, 0, "Server 4.0 ", ""},
}};

// Product type names of the "ProductType" value, printed without the extended record.
struct ProductTypeName {
  std::string_view stored;
  std::string_view shown;
};
constexpr std::array<ProductTypeName, 3> kProductTypeNames = {{
    {"WINNT", "Workstation "},
    {"LANMANNT", "Server "},
    {"SERVERNT", "Advanced Server "},
}};

constexpr std::string_view kProductOptionsKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr std::string_view kWow64Key = "Software\\Wow6432Node";
constexpr std::string_view kQ246009Key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";

bool InRange(std::uint32_t value, std::uint32_t low, std::uint32_t high) { return value >= low && value <= high; }

bool BaseConditionHolds(BaseCondition condition, const OsVersionFacts& facts) {
  switch (condition) {
    case BaseCondition::None: return true;
    case BaseCondition::Workstation: return facts.productType == kNtWorkstation;
    case BaseCondition::NotWorkstation: return facts.productType != kNtWorkstation;
    case BaseCondition::ServerR2: return facts.serverR2;
    case BaseCondition::Workstation64:
      return facts.productType == kNtWorkstation && facts.architecture == kArchitectureAmd64;
  }
  return false;
}

bool VersionMatches(VersionTest test, const OsVersionFacts& facts) {
  const bool is52 = facts.major == 5 && facts.minor == 2;
  const bool is50 = facts.major == 5 && facts.minor == 0;
  switch (test) {
    case VersionTest::Any: return true;
    case VersionTest::Major4: return facts.major == 4;
    case VersionTest::Version52: return is52;
    case VersionTest::Version50: return is50;
    case VersionTest::Other: return !is52 && !is50;
  }
  return false;
}

bool ArchitectureMatches(ArchitectureTest test, std::uint16_t architecture) {
  switch (test) {
    case ArchitectureTest::Any: return true;
    case ArchitectureTest::Ia64: return architecture == kArchitectureIa64;
    case ArchitectureTest::Amd64: return architecture == kArchitectureAmd64;
    case ArchitectureTest::Other: return architecture != kArchitectureIa64 && architecture != kArchitectureAmd64;
  }
  return false;
}

bool SuiteMatches(SuiteTest test, std::uint16_t suite, std::uint16_t mask) {
  switch (test) {
    case SuiteTest::Any: return true;
    case SuiteTest::Has: return (mask & suite) != 0;
    case SuiteTest::Equals: return mask == suite;
  }
  return false;
}

void AppendBaseName(CollectorContext& context, const OsVersionFacts& facts, std::string& name) {
  for (const BaseNameRow& row : kBaseNames) {
    if (!InRange(facts.major, row.majorMin, row.majorMax) || !InRange(facts.minor, row.minorMin, row.minorMax) ||
        !BaseConditionHolds(row.condition, facts)) {
      continue;
    }
    name += row.fragment;
    if (row.addsBitness) {
      const bool wow64 = static_cast<bool>(context.registry.Open(RegistryRoot::CurrentUser, kWow64Key,
                                                                  OpenAccess::QueryValue));
      name += wow64 ? "x64 " : "x86 ";
    }
    return;
  }
}

void AppendEdition(CollectorContext& context, const OsVersionFacts& facts, std::string& name) {
  ProductClass product;
  if (facts.productType == kNtWorkstation) {
    product = ProductClass::Workstation;
  } else if (facts.productType == 2 || facts.productType == 3) {
    product = ProductClass::Server;
  } else {
    return;
  }
  for (const EditionRow& row : kEditions) {
    if (row.product != product || !VersionMatches(row.version, facts) ||
        !ArchitectureMatches(row.architecture, facts.architecture) ||
        !SuiteMatches(row.suiteTest, row.suite, facts.suiteMask)) {
      continue;
    }
    name += row.fragment;
    context.diagnostics << row.diagnostic;
    return;
  }
}

// Without the extended record only the diagnostics learn the product type;
// false when "ProductType" cannot be read, which leaves "Platform" out.
bool PrintProductType(CollectorContext& context, const OsVersionFacts& facts) {
  const RegistryKey key = context.registry.Open(RegistryRoot::LocalMachine, kProductOptionsKey, OpenAccess::QueryValue);
  const auto stored = context.registry.ReadBytes(key, "ProductType", 80);
  if (!stored) return false;
  std::string text(stored->begin(), stored->end());
  text = text.substr(0, text.find('\0'));
  for (const ProductTypeName& type : kProductTypeNames) {
    if (EqualsIgnoreCase(text, type.stored)) context.diagnostics << type.shown;
  }
  context.diagnostics << facts.major << '.' << facts.minor << ' ';
  return true;
}

void PrintBuildLine(CollectorContext& context, const OsVersionFacts& facts) {
  const unsigned build16 = facts.build & 0xFFFF;
  std::string servicePack = facts.servicePack;
  if (facts.major == 4 && EqualsIgnoreCase(facts.servicePack, "Service Pack 6") &&
      context.registry.Open(RegistryRoot::LocalMachine, kQ246009Key, OpenAccess::QueryValue)) {
    servicePack = "Service Pack 6a";
  }
  context.diagnostics << servicePack << " (Build " << build16 << ")\n";
}

// The second character of the service-pack text, as its buffer holds it.
char SecondCharacter(const std::string& text) { return text.size() >= 2 ? text[1] : '\0'; }

std::string WindowsFamilyName(const OsVersionFacts& facts) {
  if (facts.major != 4) return "";
  const char second = SecondCharacter(facts.servicePack);
  switch (facts.minor) {
    case 0: return std::string("Microsoft Windows 95 ") + ((second == 'C' || second == 'B') ? "OSR2 " : "");
    case 10: return std::string("Microsoft Windows 98 ") + ((second == 'A' || second == 'B') ? "SE " : "");
    case 90: return "Microsoft Windows Millennium Edition\n";
    default: return "";
  }
}

}  // namespace

void BuildEditionName(CollectorContext& context, const OsVersionFacts& facts) {
  std::string name;
  switch (facts.platformId) {
    case kPlatformWin32s:
      name = "Microsoft Win32s\n";
      break;
    case kPlatformWindows:
      name = WindowsFamilyName(facts);
      break;
    case kPlatformNt:
      AppendBaseName(context, facts, name);
      if (facts.extended) {
        AppendEdition(context, facts, name);
      } else if (!PrintProductType(context, facts)) {
        return;
      }
      PrintBuildLine(context, facts);
      break;
    default:
      break;
  }
  context.report.AddReportEntry("Windows OS", "Platform", name);
}

}  // namespace tarnwick
