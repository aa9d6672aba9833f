#include "platform/linux/linux_services.h"

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/host_facts.h"

namespace tarnwick {
namespace {

constexpr std::string_view kFirstProcessor = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr std::string_view kSecondProcessor = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1";
constexpr std::string_view kInternational = "Control Panel\\International";

std::optional<std::uint64_t> ReadNumberFile(const HostTree& tree, std::string_view path) {
  const auto text = tree.ReadFile(path);
  return text ? ParseDecimal(*text) : std::nullopt;
}

// Free virtual address space of this process: the limit of its address space
// less what it has mapped (as the tree's proc/self/status tells it).
std::uint64_t FreeVirtualBytes(const HostTree& tree) {
  std::uint64_t limit = sizeof(void*) == 4 ? (std::uint64_t{3} << 30) : (std::uint64_t{1} << 47);
  rlimit addressSpace{};
  if (::getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY &&
      addressSpace.rlim_cur < limit) {
    limit = addressSpace.rlim_cur;
  }
  const auto status = tree.ReadFile("proc/self/status");
  const std::uint64_t mapped = status ? ParseMappedBytes(*status).value_or(0) : 0;
  return mapped < limit ? limit - mapped : 0;
}

std::string LocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

}  // namespace

std::optional<MemoryStatus> LinuxMemoryPower::QueryMemory() {
  const auto meminfo = tree_.ReadFile("proc/meminfo");
  if (!meminfo) return std::nullopt;
  const auto memory = ParseMemInfo(*meminfo);
  if (!memory) return std::nullopt;
  return MemoryStatus{MemoryLoadPercent(*memory), memory->totalBytes, memory->availableBytes, FreeVirtualBytes(tree_)};
}

std::optional<PowerCapabilities> LinuxMemoryPower::QueryPower() {
  const auto state = tree_.ReadFile("sys/power/state");
  const auto swaps = tree_.ReadFile("proc/swaps");
  return PowerCapabilities{state && swaps && HibernationAvailable(*state, *swaps)};
}

std::optional<std::string> LinuxUserAccounts::UserName() {
  const passwd* user = ::getpwuid(::geteuid());
  if (user == nullptr || user->pw_name == nullptr) return std::nullopt;
  std::string name(user->pw_name);
  if (name.empty() || name.size() > 256) return std::nullopt;
  return name;
}

std::optional<std::vector<std::string>> LinuxUserAccounts::LocalGroups(std::string_view userName) {
  const std::string name(userName);
  const passwd* user = ::getpwnam(name.c_str());
  if (user == nullptr) return std::nullopt;
  const uid_t uid = user->pw_uid;
  int count = 64;
  std::vector<gid_t> ids(static_cast<std::size_t>(count));
  if (::getgrouplist(name.c_str(), user->pw_gid, ids.data(), &count) < 0) {
    ids.resize(static_cast<std::size_t>(count));
    if (::getgrouplist(name.c_str(), user->pw_gid, ids.data(), &count) < 0) return std::nullopt;
  }
  ids.resize(static_cast<std::size_t>(count));

  std::vector<std::string> groups;
  bool administrator = uid == 0;
  for (const gid_t id : ids) {
    const group* entry = ::getgrgid(id);
    if (entry == nullptr || entry->gr_name == nullptr) continue;
    groups.emplace_back(entry->gr_name);
    if (IsAdministrativeGroup(groups.back())) administrator = true;
  }
  if (administrator) groups.emplace_back("Administrators");
  return groups;
}

void FillHostRegistry(MemoryRegistry& registry, const HostTree& tree) {
  constexpr auto HKLM = RegistryRoot::LocalMachine;
  if (const auto cpuinfo = tree.ReadFile("proc/cpuinfo")) {
    const CpuFacts cpu = ParseCpuInfo(*cpuinfo);
    utsname host{};
    const std::string machine = ::uname(&host) == 0 ? host.machine : "";
    if (!cpu.modelName.empty()) registry.SetText(HKLM, kFirstProcessor, "ProcessorNameString", cpu.modelName);
    registry.SetText(HKLM, kFirstProcessor, "Identifier", ProcessorIdentifier(cpu, machine));
    const auto megahertz =
        NominalMegahertz(cpu, ReadNumberFile(tree, "sys/devices/system/cpu/cpu0/cpufreq/base_frequency"),
                         ReadNumberFile(tree, "sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"));
    if (megahertz) registry.SetNumber(HKLM, kFirstProcessor, "~MHz", *megahertz);
    if (cpu.logicalProcessors > 1) registry.CreateKey(HKLM, kSecondProcessor);
  }
  if (const auto regional = RegionalSettingsFor(LocaleName())) {
    constexpr auto HKCU = RegistryRoot::CurrentUser;
    registry.SetText(HKCU, kInternational, "iCountry", regional->countryCode);
    registry.SetText(HKCU, kInternational, "Locale", regional->locale);
    registry.SetText(HKCU, kInternational, "sCountry", regional->country);
    registry.SetText(HKCU, kInternational, "sLanguage", regional->language);
  }
}

}  // namespace tarnwick
