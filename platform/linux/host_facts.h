// Facts of a Linux host read from the kernel's text files, in the form the
// Windows services would give them. Each parser takes the file's text, so it
// can be checked without the host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// What a computer can have. A copied tree may hold any figure; one outside
// these is as unreadable as a missing file, so no report shows a clock or a
// size that wrapped around.
inline constexpr std::uint32_t kMostMegahertz = 100'000;  // ten times the fastest clock a processor has run at
inline constexpr std::uint64_t kMostMemoryBytes = std::uint64_t{1} << 52;   // the widest physical address: 4 PiB
inline constexpr std::uint64_t kMostVirtualBytes = std::uint64_t{1} << 57;  // five-level page tables: 128 PiB
// x86 family numbers: a base family of 15 plus an extended family byte.
inline constexpr unsigned kMostFamily = 15 + 255, kMostModel = 255, kMostStepping = 15;

// A whole decimal number as the kernel writes one to a file ("2100000\n");
// nothing for a sign, other characters or more than 64 bits.
std::optional<std::uint64_t> ParseDecimal(std::string_view text);

struct CpuFacts {
  std::string vendor;     // vendor_id
  std::string modelName;  // model name
  std::optional<unsigned> family, model, stepping;
  std::optional<double> currentMegahertz;  // cpu MHz of the first processor
  unsigned logicalProcessors = 0;
};

CpuFacts ParseCpuInfo(std::string_view cpuinfo);

// The processor identifier as Windows stores it, such as
// "Intel64 Family 6 Model 85 Stepping 7" or "AMD64 Family 23 Model 49 Stepping 0".
std::string ProcessorIdentifier(const CpuFacts& cpu, std::string_view machine);

// The nominal clock in megahertz: the base frequency the kernel reports (in
// kilohertz), else the one in the model name ("@ 2.40GHz"), else the maximum
// frequency, else the current one. A clock outside 1 MHz to kMostMegahertz
// counts as not given.
std::optional<std::uint32_t> NominalMegahertz(const CpuFacts& cpu, std::optional<std::uint64_t> baseKilohertz,
                                              std::optional<std::uint64_t> maxKilohertz);

struct MemoryFacts {
  std::uint64_t totalBytes = 0;
  std::uint64_t availableBytes = 0;
};
// Nothing when a figure is missing or larger than kMostMemoryBytes.
std::optional<MemoryFacts> ParseMemInfo(std::string_view meminfo);
// The address space this process has mapped (VmSize of /proc/self/status)
// in bytes; nothing when missing or larger than kMostVirtualBytes.
std::optional<std::uint64_t> ParseMappedBytes(std::string_view status);
// Used physical memory in whole percent, as Windows reports its memory load.
std::uint32_t MemoryLoadPercent(const MemoryFacts& memory);

// Hibernation is offered when the kernel can suspend to disk and swap is active.
bool HibernationAvailable(std::string_view powerState, std::string_view swaps);

struct RegionalSettings {
  std::string_view countryCode;  // iCountry: the country calling code
  std::string_view locale;       // eight hexadecimal digits
  std::string_view country;      // sCountry
  std::string_view language;     // sLanguage, three letters
};
// The settings Windows stores for a POSIX locale name such as "de_DE.UTF-8";
// nothing for a locale not in the table.
std::optional<RegionalSettings> RegionalSettingsFor(std::string_view localeName);

// Whether one of the user's groups gives administrative rights.
bool IsAdministrativeGroup(std::string_view group);

}  // namespace tarnwick
