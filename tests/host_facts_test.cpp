#include <gtest/gtest.h>
#include <sys/utsname.h>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <cstring>
#include <regex>
#include <sstream>

#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/linux/host_facts.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_services.h"

namespace tarnwick {
namespace {

constexpr std::string_view kIntelCpuInfo =
    "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
    "model name\t: Intel(R) Xeon(R) Gold 6230 CPU @ 2.10GHz\nstepping\t: 7\ncpu MHz\t\t: 2394.374\n\n"
    "processor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\nstepping\t: 7\n";
constexpr std::string_view kAmdCpuInfo =
    "processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 23\nmodel\t\t: 49\n"
    "model name\t: AMD EPYC 7452 32-Core Processor\nstepping\t: 0\ncpu MHz\t\t: 2345.6\n";
constexpr std::string_view kArmCpuInfo = "processor\t: 0\nBogoMIPS\t: 50.00\nCPU implementer\t: 0x41\n";
// A copied tree may hold anything: figures that fit no clock.
constexpr std::string_view kHostileCpuInfo =
    "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
    "model name\t: X @ 9e9GHz\nstepping\t: 7\ncpu MHz\t\t: inf\n";

struct CpuCase {
  const char* name;
  std::string_view cpuinfo;
  std::optional<std::uint64_t> baseKilohertz;
  std::optional<std::uint64_t> maxKilohertz;
  std::string identifier;
  std::optional<std::uint32_t> megahertz;
  unsigned processors;
};
void PrintTo(const CpuCase& c, std::ostream* out) { *out << c.name; }

class HostProcessor : public testing::TestWithParam<CpuCase> {};

TEST_P(HostProcessor, GivesTheWindowsForm) {
  const auto& c = GetParam();
  const CpuFacts cpu = ParseCpuInfo(c.cpuinfo);
  EXPECT_EQ(ProcessorIdentifier(cpu, "aarch64"), c.identifier);
  EXPECT_EQ(NominalMegahertz(cpu, c.baseKilohertz, c.maxKilohertz), c.megahertz);
  EXPECT_EQ(cpu.logicalProcessors, c.processors);
}

INSTANTIATE_TEST_SUITE_P(
    Cpus, HostProcessor,
    testing::Values(
        CpuCase{"intelModelNameClock", kIntelCpuInfo, std::nullopt, 3900000, "Intel64 Family 6 Model 85 Stepping 7", 2100, 2},
        CpuCase{"intelBaseFrequencyFirst", kIntelCpuInfo, 2100000, std::nullopt, "Intel64 Family 6 Model 85 Stepping 7", 2100, 2},
        CpuCase{"amdMaximumFrequency", kAmdCpuInfo, std::nullopt, 2350000, "AMD64 Family 23 Model 49 Stepping 0", 2350, 1},
        CpuCase{"amdCurrentClockLast", kAmdCpuInfo, std::nullopt, std::nullopt, "AMD64 Family 23 Model 49 Stepping 0", 2346, 1},
        CpuCase{"otherArchitecture", kArmCpuInfo, std::nullopt, std::nullopt, "aarch64", std::nullopt, 1},
        CpuCase{"clocksOutOfRange", kHostileCpuInfo, std::nullopt, std::nullopt, "Intel64 Family 6 Model 85 Stepping 7",
                std::nullopt, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Figures a copied tree may hold, at the edges of what a computer can have:
// past them a figure is unreadable, as when its file is missing.
enum class Source { baseFrequency, maxFrequency, cpuinfo, meminfo, status, family };
using Figure = std::optional<std::uint64_t>;

Figure ReadFigure(Source source, const std::string& text) {
  switch (source) {
    case Source::baseFrequency: return NominalMegahertz({}, ParseDecimal(text), std::nullopt);
    case Source::maxFrequency: return NominalMegahertz({}, std::nullopt, ParseDecimal(text));
    case Source::cpuinfo: return NominalMegahertz(ParseCpuInfo(text), std::nullopt, std::nullopt);
    case Source::meminfo: {
      const auto memory = ParseMemInfo(text);
      return memory ? Figure(memory->totalBytes) : std::nullopt;
    }
    case Source::status: return ParseMappedBytes(text);
    case Source::family: return ParseCpuInfo(text).family;
  }
  return std::nullopt;
}

struct FigureCase {
  const char* name;
  Source source;
  std::string text;
  Figure figure;
};
void PrintTo(const FigureCase& c, std::ostream* out) { *out << c.name; }

class TreeFigure : public testing::TestWithParam<FigureCase> {};

TEST_P(TreeFigure, IsReadOnlyWithinWhatAComputerCanHave) {
  EXPECT_EQ(ReadFigure(GetParam().source, GetParam().text), GetParam().figure) << GetParam().text;
}

constexpr std::uint64_t kPiB = std::uint64_t{1} << 50;
INSTANTIATE_TEST_SUITE_P(
    Edges, TreeFigure,
    testing::Values(FigureCase{"baseClock", Source::baseFrequency, "2100000\n", 2100},
                    FigureCase{"baseClockNegative", Source::baseFrequency, "-1\n", std::nullopt},
                    FigureCase{"baseClockPast32Bits", Source::baseFrequency, "4294967296000\n", std::nullopt},
                    FigureCase{"baseClockPast64Bits", Source::baseFrequency, "18446744073709551616", std::nullopt},
                    FigureCase{"baseClockHighest", Source::baseFrequency, "100000999", 100000},
                    FigureCase{"baseClockTooHigh", Source::baseFrequency, "100001000", std::nullopt},
                    FigureCase{"baseClockBelowOneMegahertz", Source::baseFrequency, "999", std::nullopt},
                    FigureCase{"maxClockNegative", Source::maxFrequency, "-1", std::nullopt},
                    FigureCase{"currentClockHighest", Source::cpuinfo, "cpu MHz\t: 100000.4\n", 100000},
                    FigureCase{"currentClockTooHigh", Source::cpuinfo, "cpu MHz\t: 100000.5\n", std::nullopt},
                    FigureCase{"currentClockBelowOne", Source::cpuinfo, "cpu MHz\t: 0.4\n", std::nullopt},
                    FigureCase{"namedClockTooHigh", Source::cpuinfo, "model name\t: X @ 100.001GHz\n", std::nullopt},
                    FigureCase{"memoryLargest", Source::meminfo, "MemTotal: 4398046511104 kB\nMemAvailable: 0 kB\n",
                               4 * kPiB},
                    FigureCase{"memoryTooLarge", Source::meminfo, "MemTotal: 4398046511105 kB\nMemAvailable: 0 kB\n",
                               std::nullopt},
                    FigureCase{"memoryPast64Bits", Source::meminfo,
                               "MemTotal: 18446744073709551615 kB\nMemAvailable: 0 kB\n", std::nullopt},
                    FigureCase{"memoryAvailableNegative", Source::meminfo, "MemTotal: 1 kB\nMemAvailable: -1 kB\n",
                               std::nullopt},
                    FigureCase{"mappedLargest", Source::status, "Name:\tx\nVmSize:\t140737488355328 kB\n", 128 * kPiB},
                    FigureCase{"mappedTwoTo54Kibibytes", Source::status, "VmSize:\t18014398509481984 kB\n",
                               std::nullopt},
                    FigureCase{"mappedNegative", Source::status, "VmSize:\t-5 kB\n", std::nullopt},
                    FigureCase{"familyHighest", Source::family, "cpu family\t: 270\n", 270},
                    FigureCase{"familyTooHigh", Source::family, "cpu family\t: 4294967296\n", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostFacts, MemoryLoadAndHibernation) {
  const auto memory = ParseMemInfo("MemTotal:       16000000 kB\nMemFree: 1 kB\nMemAvailable:    4000000 kB\n");
  ASSERT_TRUE(memory.has_value());
  EXPECT_EQ(memory->totalBytes, 16000000ull * 1024);
  EXPECT_EQ(MemoryLoadPercent(*memory), 75u);
  EXPECT_FALSE(ParseMemInfo("MemTotal: 10 kB\n").has_value());
  EXPECT_EQ(MemoryLoadPercent(MemoryFacts{0, 0}), 0u);
  EXPECT_EQ(MemoryLoadPercent(MemoryFacts{kMostMemoryBytes, 1024}), 100u);

  const std::string swapHeading = "Filename\tType\tSize\tUsed\tPriority\n";
  EXPECT_TRUE(HibernationAvailable("freeze mem disk\n", swapHeading + "/dev/sda2 partition 100 0 -2\n"));
  EXPECT_FALSE(HibernationAvailable("freeze mem disk\n", swapHeading));
  EXPECT_FALSE(HibernationAvailable("freeze mem\n", swapHeading + "/swapfile file 100 0 -2\n"));
  EXPECT_FALSE(HibernationAvailable("freeze diskette\n", swapHeading + "/swapfile file 100 0 -2\n"));
}

TEST(HostFacts, RegionalSettingsFromLocaleNames) {
  const auto german = RegionalSettingsFor("de_DE.UTF-8");
  ASSERT_TRUE(german.has_value());
  EXPECT_EQ(german->countryCode, "49");
  EXPECT_EQ(german->locale, "00000407");
  EXPECT_EQ(german->language, "DEU");
  EXPECT_EQ(RegionalSettingsFor("fr_FR@euro")->country, "France");
  EXPECT_EQ(RegionalSettingsFor("en_US")->language, "ENU");
  EXPECT_FALSE(RegionalSettingsFor("C.UTF-8").has_value());
  EXPECT_FALSE(RegionalSettingsFor("").has_value());
}

// This processor's identifier from what the processor itself says (cpuid),
// not from the kernel's files; other machines go by their machine name.
std::string IdentifierOfThisProcessor() {
  utsname host{};
  const std::string machine = ::uname(&host) == 0 ? host.machine : "";
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return machine;
  char vendor[13] = {};
  std::memcpy(vendor, &ebx, 4);
  std::memcpy(vendor + 4, &edx, 4);
  std::memcpy(vendor + 8, &ecx, 4);
  const std::string_view name = vendor;
  if (name != "GenuineIntel" && name != "AuthenticAMD") return machine;
  __get_cpuid(1, &eax, &ebx, &ecx, &edx);
  const unsigned baseFamily = (eax >> 8) & 0xF;
  const unsigned family = baseFamily == 0xF ? baseFamily + ((eax >> 20) & 0xFF) : baseFamily;
  const unsigned model = (baseFamily == 0x6 || baseFamily == 0xF) ? ((eax >> 4) & 0xF) + (((eax >> 16) & 0xF) << 4)
                                                                  : (eax >> 4) & 0xF;
  return std::string(name == "GenuineIntel" ? "Intel64" : "AMD64") + " Family " + std::to_string(family) + " Model " +
         std::to_string(model) + " Stepping " + std::to_string(eax & 0xF);
#else
  return machine;
#endif
}

// The Linux layer on this machine: the values are present and well-formed.
TEST(LinuxLayer, WritesThisHostsSections) {
  LinuxPlatform platform("/nonexistent-report-folder", "/usr/bin/tarnwick");
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(platform.Services(), rows, diagnostics);
  dialog.RunCollection();
  std::map<std::string, std::string> values;
  for (const ReportEntry& row : rows.Rows()) values[row.section + "/" + row.key] = row.value;

  EXPECT_TRUE(std::regex_match(values["User Info/User Name"], std::regex(".+ is (not )?Administrator")));
  EXPECT_FALSE(values["Processor/ProcessorName"].empty());
  EXPECT_EQ(values["Processor/Identifier"], IdentifierOfThisProcessor());
  EXPECT_TRUE(std::regex_match(values["Processor/MHz"], std::regex("\\d+\\.(0|\\d{3})G")));
  EXPECT_TRUE(std::regex_match(values["Processor/Enable HyperThreading"], std::regex("[01]")));
  EXPECT_TRUE(std::regex_match(values["Memory/MemoryLoad"], std::regex("\\d{1,3}")));
  EXPECT_GT(std::stoull(values["Memory/TotalPhys"]), 0u);
  EXPECT_LE(std::stoull(values["Memory/MemoryAvailable"]), std::stoull(values["Memory/TotalPhys"]));
  EXPECT_TRUE(std::regex_match(values["SystemInfo/Enable Hibernation"], std::regex("[01]")));
  // No Windows here: the version query fails, so the section is absent.
  EXPECT_EQ(values.count("Windows OS/Platform"), 0u);
  EXPECT_EQ(values["DirectX/DirectX Version"], "");
  // The report folder does not exist: the rows are all there, the report is not.
  EXPECT_FALSE(dialog.ReportComplete());
}

}  // namespace
}  // namespace tarnwick
