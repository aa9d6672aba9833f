// The processor, memory, regional, DirectX and account collectors through
// the replay layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/case_names.h"
#include "collectors/collectors.h"
#include "collectors/os/processor.h"
#include "tests/collector_harness.h"

namespace tarnwick {
namespace {

using testing_support::RunCollector;
using testing_support::SectionText;
using testing_support::Entries;
using testing_support::KeysAndValues;

TEST(ClockText, GigahertzWithThreeDecimalsOrOne) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {
      {2394, "2.394G"}, {2050, "2.050G"}, {3000, "3.0G"}, {1006, "1.006G"}, {1000, "1.0G"},
      {0, "0.0G"},      {999, "0.999G"},  {1761, "1.761G"}, {4294967295u, "4294967.295G"}};
  for (const auto& [megahertz, text] : cases) EXPECT_EQ(ClockText(megahertz), text) << megahertz;
}

constexpr const char* kProcessorKey = "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n";

TEST(CollectProcessor, NameKeptAsStoredAndSecondProcessorProbed) {
  const auto single = RunCollector(CollectProcessor, "{}",
                                   std::string("REGEDIT4\n") + kProcessorKey +
                                       "\"ProcessorNameString\"=\"   Intel(R) Pentium(R) 4 CPU 3.00GHz\"\n"
                                       "\"Identifier\"=\"x86 Family 15 Model 4 Stepping 1\"\n\"~MHz\"=dword:00000bb8\n");
  EXPECT_EQ(single.report, SectionText("Processor",
                                       {{"ProcessorName", "   Intel(R) Pentium(R) 4 CPU 3.00GHz"},
                                        {"Identifier", "x86 Family 15 Model 4 Stepping 1"},
                                        {"MHz", "3.0G"},
                                        {"Enable HyperThreading", "0"}},
                                       1));
  const auto dual = RunCollector(CollectProcessor, "{}",
                                 "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1]\n");
  EXPECT_EQ(KeysAndValues(dual.rows),
            (Entries{{"ProcessorName", ""}, {"Identifier", ""}, {"MHz", "0.0G"}, {"Enable HyperThreading", "1"}}));
}

TEST(CollectMemory, WholeMebibytesRoundedDown) {
  const auto outcome = RunCollector(
      CollectMemory,
      R"({"memory": {"load": 37, "totalPhys": 4294967296, "availPhys": 1610612735, "availVirtual": 2147352576}})");
  EXPECT_EQ(KeysAndValues(outcome.rows), (Entries{{"MemoryLoad", "37"},
                                                  {"TotalPhys", "4096"},
                                                  {"MemoryAvailable", "1535"},
                                                  {"AvailVirtual", "2047"}}));
  const auto failed = RunCollector(CollectMemory, "{}");
  EXPECT_EQ(failed.report, SectionText("Memory",
                                       {{"MemoryLoad", "0"}, {"TotalPhys", "0"}, {"MemoryAvailable", "0"}, {"AvailVirtual", "0"}},
                                       1));
}

TEST(CollectRegionalAndPower, MissingInternationalKeyStillWritesFiveKeys) {
  const auto outcome = RunCollector(CollectRegionalAndPower, R"({"power": {"hiberFilePresent": false}})");
  EXPECT_EQ(outcome.report, SectionText("SystemInfo",
                                        {{"Enable Hibernation", "0"},
                                         {"CountryCode", ""},
                                         {"Locale", ""},
                                         {"Country", ""},
                                         {"Language", ""}},
                                        1));
  const auto german = RunCollector(CollectRegionalAndPower, R"({"power": {"hiberFilePresent": true}})",
                                   "REGEDIT4\n[HKEY_CURRENT_USER\\Control Panel\\International]\n"
                                   "\"iCountry\"=\"49\"\n\"Locale\"=\"00000407\"\n\"sCountry\"=\"Deutschland\"\n"
                                   "\"sLanguage\"=\"DEU\"\n");
  EXPECT_EQ(KeysAndValues(german.rows), (Entries{{"Enable Hibernation", "1"},
                                                 {"CountryCode", "49"},
                                                 {"Locale", "00000407"},
                                                 {"Country", "Deutschland"},
                                                 {"Language", "DEU"}}));
}

struct DirectXCase {
  const char* name;
  std::string machine;
  std::string registry;
  Entries rows;
  std::string report;
};

class CollectDirectXCases : public testing::TestWithParam<DirectXCase> {};

TEST_P(CollectDirectXCases, RegistryTextsAndTheVersion10Override) {
  const auto& c = GetParam();
  const auto outcome = RunCollector(CollectDirectX, c.machine, c.registry);
  EXPECT_EQ(KeysAndValues(outcome.rows), c.rows);
  EXPECT_EQ(outcome.report, c.report);
}

constexpr const char* kDirectX9 =
    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\DirectX]\n\"Version\"=\"4.09.00.0904\"\n\"RC\"=\"0\"\n";

INSTANTIATE_TEST_SUITE_P(
    DirectX, CollectDirectXCases,
    testing::Values(
        DirectXCase{"Direct3D10Present", R"({"loadableLibraries": ["d3d10.dll"]})", kDirectX9,
                    {{"DirectX Version", "4.09.00.0904"}, {"Release Candidate", "0"}, {"DirectX Version", "10"}},
                    SectionText("DirectX", {{"DirectX Version", "10"}, {"Release Candidate", "0"}}, 1)},
        DirectXCase{"Direct3D10Absent", "{}", kDirectX9,
                    {{"DirectX Version", "4.09.00.0904"}, {"Release Candidate", "0"}},
                    SectionText("DirectX", {{"DirectX Version", "4.09.00.0904"}, {"Release Candidate", "0"}}, 1)},
        DirectXCase{"NoDirectXKey", "{}", "",
                    {{"DirectX Version", ""}, {"Release Candidate", ""}},
                    SectionText("DirectX", {{"DirectX Version", ""}, {"Release Candidate", ""}}, 1)}),
    [](const auto& info) { return std::string(info.param.name); });

struct AccountCase {
  const char* name;
  std::string machine;
  std::vector<ReportEntry> rows;
  std::string diagnostics;
};

class CollectUserAccountCases : public testing::TestWithParam<AccountCase> {};

TEST_P(CollectUserAccountCases, AdministratorOnlyByTheExactGroupName) {
  const auto& c = GetParam();
  const auto outcome = RunCollector(CollectUserAccount, c.machine);
  EXPECT_EQ(outcome.rows, c.rows);
  EXPECT_EQ(outcome.diagnostics, c.diagnostics);
  EXPECT_EQ(outcome.report, c.rows.empty() ? "" : SectionText("User Info", {{"User Name", c.rows[0].value}}, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, CollectUserAccountCases,
    testing::Values(
        AccountCase{"Administrator", R"({"user": {"name": "ann", "groups": ["Users", "Administrators"]}})",
                    {{"User Info", "User Name", "ann is Administrator"}}, "\t-- Users\n\t-- Administrators\n"},
        // Indirect memberships come with the list, so a nested group counts.
        AccountCase{"NestedAdministrator", R"({"user": {"name": "bob", "groups": ["Helpdesk", "Administrators"]}})",
                    {{"User Info", "User Name", "bob is Administrator"}}, "\t-- Helpdesk\n\t-- Administrators\n"},
        AccountCase{"TranslatedGroupName", R"({"user": {"name": "Luc", "groups": ["Administrateurs"]}})",
                    {{"User Info", "User Name", "Luc is not Administrator"}}, "\t-- Administrateurs\n"},
        AccountCase{"GroupNameInOtherCase", R"({"user": {"name": "eve", "groups": ["administrators"]}})",
                    {{"User Info", "User Name", "eve is not Administrator"}}, "\t-- administrators\n"},
        AccountCase{"NoGroups", R"({"user": {"name": "kim", "groups": []}})",
                    {{"User Info", "User Name", "kim is not Administrator"}}, ""},
        AccountCase{"GroupQueryFails", R"({"user": {"name": "kim"}})", {}, ""},
        AccountCase{"NoUserName", R"({"user": {"groups": ["Administrators"]}})", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
