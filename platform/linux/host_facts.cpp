#include "platform/linux/host_facts.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tarnwick {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::optional<unsigned> Unsigned(std::string_view text, unsigned most) {
  const auto value = ParseDecimal(text);
  if (!value || *value > most) return std::nullopt;
  return static_cast<unsigned>(*value);
}

// "16000000 kB" in bytes, when no more than most.
std::optional<std::uint64_t> Bytes(std::string_view value, std::uint64_t most) {
  value = Trim(value);
  if (value.ends_with("kB")) value.remove_suffix(2);
  const auto kibibytes = ParseDecimal(value);
  if (!kibibytes || *kibibytes > most / 1024) return std::nullopt;
  return *kibibytes * 1024;
}

// Calls visit(name, value) for every "name : value" line.
template <typename Visit>
void ForEachField(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) visit(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    start = end + 1;
  }
}

constexpr std::array<std::pair<std::string_view, RegionalSettings>, 24> kLocales = {{
    {"en_US", {"1", "00000409", "United States", "ENU"}},
    {"en_GB", {"44", "00000809", "United Kingdom", "ENG"}},
    {"en_CA", {"2", "00001009", "Canada", "ENC"}},
    {"en_AU", {"61", "00000C09", "Australia", "ENA"}},
    {"en_IE", {"353", "00001809", "Ireland", "ENI"}},
    {"de_DE", {"49", "00000407", "Germany", "DEU"}},
    {"de_AT", {"43", "00000C07", "Austria", "DEA"}},
    {"de_CH", {"41", "00000807", "Switzerland", "DES"}},
    {"fr_FR", {"33", "0000040C", "France", "FRA"}},
    {"fr_BE", {"32", "0000080C", "Belgium", "FRB"}},
    {"fr_CA", {"2", "00000C0C", "Canada", "FRC"}},
    {"nl_NL", {"31", "00000413", "Netherlands", "NLD"}},
    {"it_IT", {"39", "00000410", "Italy", "ITA"}},
    {"es_ES", {"34", "00000C0A", "Spain", "ESN"}},
    {"pt_PT", {"351", "00000816", "Portugal", "PTG"}},
    {"pt_BR", {"55", "00000416", "Brazil", "PTB"}},
    {"sv_SE", {"46", "0000041D", "Sweden", "SVE"}},
    {"da_DK", {"45", "00000406", "Denmark", "DAN"}},
    {"pl_PL", {"48", "00000415", "Poland", "PLK"}},
    {"ru_RU", {"7", "00000419", "Russia", "RUS"}},
    {"ja_JP", {"81", "00000411", "Japan", "JPN"}},
    {"ko_KR", {"82", "00000412", "Korea", "KOR"}},
    {"zh_CN", {"86", "00000804", "People's Republic of China", "CHS"}},
    {"zh_TW", {"886", "00000404", "Taiwan", "CHT"}},
}};

constexpr std::array<std::string_view, 3> kAdministrativeGroups = {"sudo", "wheel", "admin"};

}  // namespace

std::optional<std::uint64_t> ParseDecimal(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  if (text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

CpuFacts ParseCpuInfo(std::string_view cpuinfo) {
  CpuFacts cpu;
  ForEachField(cpuinfo, [&cpu](std::string_view name, std::string_view value) {
    if (name == "processor") {
      ++cpu.logicalProcessors;
      return;
    }
    if (cpu.logicalProcessors > 1) return;  // the first processor describes them all
    if (name == "vendor_id") cpu.vendor = std::string(value);
    else if (name == "model name") cpu.modelName = std::string(value);
    else if (name == "cpu family") cpu.family = Unsigned(value, kMostFamily);
    else if (name == "model") cpu.model = Unsigned(value, kMostModel);
    else if (name == "stepping") cpu.stepping = Unsigned(value, kMostStepping);
    else if (name == "cpu MHz") {
      char* end = nullptr;
      const std::string text(value);
      const double megahertz = std::strtod(text.c_str(), &end);
      if (end != text.c_str() && megahertz > 0) cpu.currentMegahertz = megahertz;
    }
  });
  return cpu;
}

std::string ProcessorIdentifier(const CpuFacts& cpu, std::string_view machine) {
  std::string architecture;
  if (cpu.vendor == "GenuineIntel") architecture = "Intel64";
  else if (cpu.vendor == "AuthenticAMD") architecture = "AMD64";
  else architecture = std::string(machine);
  if (!cpu.family || !cpu.model) return architecture;
  return architecture + " Family " + std::to_string(*cpu.family) + " Model " + std::to_string(*cpu.model) +
         " Stepping " + std::to_string(cpu.stepping.value_or(0));
}

// A clock in megahertz as a whole number, or nothing for a text that gave no
// finite figure a processor can run at (a copied /proc/cpuinfo may hold "inf").
std::optional<std::uint32_t> WholeMegahertz(double megahertz) {
  if (!std::isfinite(megahertz)) return std::nullopt;
  const double rounded = std::floor(megahertz + 0.5);
  if (rounded < 1 || rounded > kMostMegahertz) return std::nullopt;
  return static_cast<std::uint32_t>(rounded);
}

// A clock the kernel gives in kilohertz, in whole megahertz.
std::optional<std::uint32_t> KilohertzClock(std::optional<std::uint64_t> kilohertz) {
  if (!kilohertz || *kilohertz < 1000 || *kilohertz / 1000 > kMostMegahertz) return std::nullopt;
  return static_cast<std::uint32_t>(*kilohertz / 1000);
}

std::optional<std::uint32_t> NominalMegahertz(const CpuFacts& cpu, std::optional<std::uint64_t> baseKilohertz,
                                              std::optional<std::uint64_t> maxKilohertz) {
  if (const auto base = KilohertzClock(baseKilohertz)) return base;
  const std::size_t at = cpu.modelName.rfind('@');
  if (at != std::string::npos) {
    char* end = nullptr;
    const std::string rest = cpu.modelName.substr(at + 1);
    const double gigahertz = std::strtod(rest.c_str(), &end);
    if (end != rest.c_str() && gigahertz > 0 && std::string_view(end).find("GHz") != std::string_view::npos) {
      if (const auto megahertz = WholeMegahertz(gigahertz * 1000)) return megahertz;
    }
  }
  if (const auto most = KilohertzClock(maxKilohertz)) return most;
  if (cpu.currentMegahertz) return WholeMegahertz(*cpu.currentMegahertz);
  return std::nullopt;
}

std::optional<MemoryFacts> ParseMemInfo(std::string_view meminfo) {
  std::optional<std::uint64_t> total;
  std::optional<std::uint64_t> available;
  ForEachField(meminfo, [&](std::string_view name, std::string_view value) {
    if (name == "MemTotal") total = Bytes(value, kMostMemoryBytes);
    if (name == "MemAvailable") available = Bytes(value, kMostMemoryBytes);
  });
  if (!total || !available) return std::nullopt;
  return MemoryFacts{*total, *available};
}

std::optional<std::uint64_t> ParseMappedBytes(std::string_view status) {
  std::optional<std::uint64_t> mapped;
  ForEachField(status, [&](std::string_view name, std::string_view value) {
    if (name == "VmSize") mapped = Bytes(value, kMostVirtualBytes);
  });
  return mapped;
}

std::uint32_t MemoryLoadPercent(const MemoryFacts& memory) {
  if (memory.totalBytes == 0 || memory.availableBytes > memory.totalBytes) return 0;
  const std::uint64_t used = memory.totalBytes - memory.availableBytes;
  // In 128 bits: used * 100 does not fit 64 for a huge figure.
  const auto load = (static_cast<unsigned __int128>(used) * 100 + memory.totalBytes / 2) / memory.totalBytes;
  return static_cast<std::uint32_t>(load);
}

bool HibernationAvailable(std::string_view powerState, std::string_view swaps) {
  bool disk = false;
  std::size_t start = 0;
  while (start <= powerState.size()) {
    std::size_t end = powerState.find_first_of(" \n", start);
    if (end == std::string_view::npos) end = powerState.size();
    if (powerState.substr(start, end - start) == "disk") disk = true;
    start = end + 1;
  }
  // /proc/swaps has a heading line; every further line is an active swap area.
  const std::size_t heading = swaps.find('\n');
  const bool swap = heading != std::string_view::npos &&
                    swaps.substr(heading + 1).find_first_not_of(" \t\n") != std::string_view::npos;
  return disk && swap;
}

std::optional<RegionalSettings> RegionalSettingsFor(std::string_view localeName) {
  localeName = localeName.substr(0, localeName.find_first_of(".@"));
  for (const auto& [name, settings] : kLocales) {
    if (name == localeName) return settings;
  }
  return std::nullopt;
}

bool IsAdministrativeGroup(std::string_view group) {
  for (const std::string_view administrative : kAdministrativeGroups) {
    if (group == administrative) return true;
  }
  return false;
}

}  // namespace tarnwick
