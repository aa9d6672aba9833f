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
// frequency, else the current one.
std::optional<std::uint32_t> NominalMegahertz(const CpuFacts& cpu, std::optional<std::uint64_t> baseKilohertz,
                                              std::optional<std::uint64_t> maxKilohertz);

struct MemoryFacts {
  std::uint64_t totalBytes = 0;
  std::uint64_t availableBytes = 0;
};
std::optional<MemoryFacts> ParseMemInfo(std::string_view meminfo);
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
