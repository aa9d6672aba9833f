// The edition logic, fed through the replay layer: version facts and
// registry in, the "Windows OS" rows, the report text and the diagnostics out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/case_names.h"
#include "collectors/collectors.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;
using testing_support::SectionText;
using testing_support::Entries;

struct Version {
  bool extended = true;
  int major = 5, minor = 1;
  long long build = 2600;  // the whole unsigned 32-bit number
  int platformId = 2;
  const char* servicePack = "";
  int suiteMask = 0, productType = 1, architecture = 0;
  bool serverR2 = false;
};

std::string MachineJson(const Version& v, const std::string& extra) {
  return R"({"windowsDirectory": "C:\\WINDOWS", "version": {"extended": )" + std::string(v.extended ? "true" : "false") +
         R"(, "major": )" + std::to_string(v.major) + R"(, "minor": )" + std::to_string(v.minor) + R"(, "build": )" +
         std::to_string(v.build) + R"(, "platformId": )" + std::to_string(v.platformId) + R"(, "servicePack": ")" +
         v.servicePack + R"(", "suiteMask": )" + std::to_string(v.suiteMask) + R"(, "productType": )" +
         std::to_string(v.productType) + R"(, "architecture": )" + std::to_string(v.architecture) +
         R"(, "serverR2": )" + (v.serverR2 ? "true" : "false") + "}" + extra + "}";
}

constexpr const char* kProductOptions =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions]\n\"ProductType\"=\"WinNT\"\n";
constexpr const char* kServerOptions =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions]\n\"ProductType\"=\"LANMANNT\"\n";
constexpr const char* kWow64 = "[HKEY_CURRENT_USER\\Software\\Wow6432Node]\n";
constexpr const char* kQ246009 = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009]\n";
constexpr const char* kMediaCenter = "[HKEY_LOCAL_MACHINE\\SYSTEM\\WPA\\MediaCenter]\n\"Installed\"=dword:00000001\n";

struct EditionCase {
  const char* name;
  Version version;
  std::string registry;  // besides the REGEDIT4 header
  Entries rows;
  int emptyLines;
  std::string diagnostic = "";  // a text the diagnostics must hold
  std::string machineExtra = "";
};

Entries Tail(const std::string& servicePack, const std::string& mce = "No") {
  return {{"ServicePack", servicePack}, {"MCE OS", mce}};
}

Entries Join(Entries head, const Entries& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Entries Nt(const std::string& version, const std::string& build, const std::string& platform, const std::string& sp = "") {
  return Join({{"MinorVersion", version}, {"BuildVersion", build}, {"Platform", platform}}, Tail(sp));
}

// The report keeps the last value of a key written twice, in the place of the first.
Entries ReportEntries(const Entries& rows) {
  Entries entries;
  for (const auto& row : rows) {
    bool replaced = false;
    for (auto& entry : entries) {
      if (entry.first == row.first) {
        entry.second = row.second;
        replaced = true;
      }
    }
    if (!replaced) entries.push_back(row);
  }
  return entries;
}

class EditionName : public testing::TestWithParam<EditionCase> {};

TEST_P(EditionName, WritesTheWindowsSection) {
  const auto& c = GetParam();
  const auto outcome =
      RunCollector(CollectWindowsOs, MachineJson(c.version, c.machineExtra), "REGEDIT4\n" + c.registry);
  Entries rows;
  for (const auto& row : outcome.rows) {
    EXPECT_EQ(row.section, "Windows OS");
    rows.emplace_back(row.key, row.value);
  }
  EXPECT_EQ(rows, c.rows);
  const std::string report = c.rows.empty() ? "" : SectionText("Windows OS", ReportEntries(c.rows), c.emptyLines);
  EXPECT_EQ(outcome.report, report);
  EXPECT_NE(outcome.diagnostics.find(c.diagnostic), std::string::npos) << outcome.diagnostics;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Editions, EditionName, testing::Values(
    EditionCase{"XpProfessional", {true, 5, 1, 2600, 2, "Service Pack 3", 0x0100, 1}, kProductOptions,
        Nt("5.1", "2600", "Microsoft Windows XP Professional ", "Service Pack 3"), 2, "Service Pack 3 (Build 2600)\n"},
    EditionCase{"XpHome", {true, 5, 1, 2600, 2, "", 0x0300, 1}, kProductOptions,
        Join({{"strSuites", ";Workstation Personal "}}, Nt("5.1", "2600", "Microsoft Windows XP Home Edition ")), 2},
    EditionCase{"Server2003EnterpriseTerminal", {true, 5, 2, 3790, 2, "", 0x0012, 3}, kProductOptions,
        Join({{"strSuites", ";Advcanced Server"}, {"strSuites", ";Advcanced Server;Terminal Server"}},
             Nt("5.2", "3790", "Microsoft Windows Server 2003, Enterprise Edition ")), 2},
    EditionCase{"Server2003Datacenter", {true, 5, 2, 3790, 2, "", 0x0082, 3}, kProductOptions,
        Join({{"strSuites", "Data Center"}, {"strSuites", "Data Center;Advcanced Server"}},
             Nt("5.2", "3790", "Microsoft Windows Server 2003, Datacenter Edition ")), 2},
    EditionCase{"Server2003Web", {true, 5, 2, 3790, 2, "", 0x0400, 3}, kProductOptions,
        Nt("5.2", "3790", "Microsoft Windows Server 2003, Web Edition "), 2},
    EditionCase{"Server2003BladeAndTerminalIsStandard", {true, 5, 2, 3790, 2, "", 0x0410, 3}, kProductOptions,
        Join({{"strSuites", ";Terminal Server"}}, Nt("5.2", "3790", "Microsoft Windows Server 2003, Standard Edition ")), 2},
    EditionCase{"Server2003StandardX64", {true, 5, 2, 3790, 2, "", 0, 3, 9}, kProductOptions,
        Nt("5.2", "3790", "Microsoft Windows Server 2003, "), 2, "Standard x64 Edition "},
    EditionCase{"Server2003EnterpriseX64", {true, 5, 2, 3790, 2, "", 0x0002, 2, 9}, kProductOptions,
        Join({{"strSuites", ";Advcanced Server"}}, Nt("5.2", "3790", "Microsoft Windows Server 2003, Enterprise x64 Edition ")), 2},
    EditionCase{"Server2003DatacenterItanium", {true, 5, 2, 3790, 2, "", 0x0080, 3, 6}, kProductOptions,
        Join({{"strSuites", "Data Center"}},
             Nt("5.2", "3790", "Microsoft Windows Server 2003, Datacenter Edition for Itanium-based Systems")), 2},
    EditionCase{"Server2003R2", {true, 5, 2, 3790, 2, "", 0x0002, 3, 0, true}, kProductOptions,
        Join({{"strSuites", ";Advcanced Server"}},
             Nt("5.2", "3790", "Microsoft Windows Server 2003 \"R2\"Enterprise Edition ")), 2},
    EditionCase{"XpProfessionalX64", {true, 5, 2, 3790, 2, "", 0, 1, 9}, kProductOptions,
        Nt("5.2", "3790", "Microsoft Windows XP Professional x64 Edition "), 2},
    EditionCase{"VistaX64", {true, 6, 0, 6000, 2, "", 0, 1, 9}, std::string(kProductOptions) + kWow64,
        Nt("6.0", "6000", "Windows Vista x64 "), 2},
    EditionCase{"VistaX86Home", {true, 6, 0, 6000, 2, "", 0x0200, 1, 0}, kProductOptions,
        Join({{"strSuites", ";Workstation Personal "}}, Nt("6.0", "6000", "Windows Vista x86 Home Edition ")), 2},
    EditionCase{"Server2008", {true, 6, 0, 6001, 2, "Service Pack 1", 0, 3}, kProductOptions,
        Nt("6.0", "6001", "Windows Server \"Longhorn\" Server 4.0 ", "Service Pack 1"), 2},
    EditionCase{"Server2008Enterprise", {true, 6, 0, 6001, 2, "", 0x0002, 3}, kProductOptions,
        Join({{"strSuites", ";Advcanced Server"}}, Nt("6.0", "6001", "Windows Server \"Longhorn\" Server 4.0, Enterprise Edition ")), 2},
    EditionCase{"Version61On32Bits", {true, 6, 1, 7601, 2, "Service Pack 1", 0x0100, 1, 0}, kProductOptions,
        Nt("6.1", "7601", "Professional ", "Service Pack 1"), 2},
    EditionCase{"Version61On64Bits", {true, 6, 1, 7601, 2, "", 0x0100, 1, 9}, kProductOptions, Nt("6.1", "7601", ""), 2},
    EditionCase{"Windows2000AdvancedServer", {true, 5, 0, 2195, 2, "", 0x0002, 3}, kProductOptions,
        Join({{"strSuites", ";Advcanced Server"}}, Nt("5.0", "2195", "Microsoft Windows 2000 Advanced Server ")), 2},
    EditionCase{"Nt4Workstation", {true, 4, 0, 1381, 2, "Service Pack 5", 0, 1}, kProductOptions,
        Nt("4.0", "1381", "Microsoft Windows NT Workstation 4.0 ", "Service Pack 5"), 2},
    EditionCase{"Nt4ServicePack6a", {true, 4, 0, 1381, 2, "Service Pack 6", 0, 1}, std::string(kProductOptions) + kQ246009,
        Nt("4.0", "1381", "Microsoft Windows NT Workstation 4.0 ", "Service Pack 6"), 2, "Service Pack 6a (Build 1381)\n"},
    EditionCase{"Nt4ServicePack6WithoutHotfix", {true, 4, 0, 1381, 2, "service pack 6", 0, 1}, kProductOptions,
        Nt("4.0", "1381", "Microsoft Windows NT Workstation 4.0 ", "service pack 6"), 2, "service pack 6 (Build 1381)\n"},
    EditionCase{"Windows98SecondEdition", {true, 4, 10, 2222, 1, " A "}, "",
        Join({{"Platform", "Microsoft Windows 98 SE "}}, Tail(" A ")), 2},
    EditionCase{"Windows95Osr2", {false, 4, 0, 1111, 1, " C"}, "",
        Join({{"Platform", "Microsoft Windows 95 OSR2 "}}, Tail(" C")), 2},
    EditionCase{"Windows95", {false, 4, 0, 950, 1, ""}, "", Join({{"Platform", "Microsoft Windows 95 "}}, Tail("")), 2},
    EditionCase{"WindowsMe", {false, 4, 90, 3000, 1, " "}, "",
        Join({{"Platform", "Microsoft Windows Millennium Edition\n"}}, Tail(" ")), 2},
    EditionCase{"Windows95FamilyOtherMajor", {false, 5, 0, 1, 1, ""}, "", Join({{"Platform", ""}}, Tail("")), 2},
    EditionCase{"Win32s", {false, 1, 30, 1, 0, ""}, "", Join({{"Platform", "Microsoft Win32s\n"}}, Tail("")), 2},
    EditionCase{"ProductTypeGateFails", {true, 5, 2, 3790, 2, "", 0x0012, 3}, "",
        {{"strSuites", ";Advcanced Server"}, {"strSuites", ";Advcanced Server;Terminal Server"}}, 0},
    EditionCase{"ProductTypeGateFailsWithoutSuites", {true, 5, 1, 2600, 2, "", 0x0100, 1}, "", {}, 0},
    EditionCase{"PlainRecordWithProductType", {false, 4, 0, 1381, 2, "Service Pack 3"}, kServerOptions,
        Nt("4.0", "1381", "Microsoft Windows NT ", "Service Pack 3"), 2, "Server 4.0 "},
    EditionCase{"PlainRecordWithoutProductType", {false, 4, 0, 1381, 2, "Service Pack 3"}, "",
        Join({{"MinorVersion", "4.0"}, {"BuildVersion", "1381"}}, Tail("Service Pack 3")), 2},
    EditionCase{"BuildPrintedSigned", {true, 5, 1, 2147483648LL, 2, "", 0, 1}, kProductOptions,
        Nt("5.1", "-2147483648", "Microsoft Windows XP Professional "), 2},
    EditionCase{"MediaCenterByRegistry", {true, 5, 1, 2600, 2, "", 0, 1}, std::string(kProductOptions) + kMediaCenter,
        Join({{"MinorVersion", "5.1"}, {"BuildVersion", "2600"}, {"Platform", "Microsoft Windows XP Professional "}},
             Tail("", "Yes")), 2},
    EditionCase{"MediaCenterByShellFile", {true, 5, 1, 2600, 2, "", 0, 1}, kProductOptions,
        Join({{"MinorVersion", "5.1"}, {"BuildVersion", "2600"}, {"Platform", "Microsoft Windows XP Professional "}},
             Tail("", "Yes")), 2, "", R"(, "files": {"c:\\windows\\EHOME\\ehshell.exe": {}})"}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(EditionName, BothVersionQueriesFailing) {
  const auto outcome = RunCollector(CollectWindowsOs, "{}");
  EXPECT_TRUE(outcome.rows.empty());
  EXPECT_EQ(outcome.report, "");
  EXPECT_NE(outcome.diagnostics.find("GetVersion error = "), std::string::npos);
}

}  // namespace
}  // namespace tarnwick
