#include "platform/linux/host_os.h"

#include <sys/utsname.h>

#include <charconv>

namespace tarnwick {
namespace {

std::optional<std::uint32_t> Number(std::string_view text, int base = 10) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  for (const std::string_view word : Split(text, " \t")) {
    if (!word.empty()) words.push_back(word);
  }
  return words;
}

}  // namespace

LinuxOsFacts ReadLinuxOs(const HostTree& tree, const std::optional<std::string>& capturedTree) {
  LinuxOsFacts facts;
  facts.osRelease = tree.ReadFile("etc/os-release");
  if (!facts.osRelease) facts.osRelease = tree.ReadFile("usr/lib/os-release");
  facts.kernel = tree.ReadAttribute("proc/sys/kernel/osrelease");
  facts.kernelBuild = tree.ReadAttribute("proc/version");
  if (capturedTree) {
    facts.machine = tree.ReadAttribute("proc/sys/kernel/arch");
  } else if (utsname host{}; ::uname(&host) == 0) {
    facts.machine = host.machine;
  }
  facts.capturedTree = capturedTree;
  return facts;
}

std::vector<HostGroup> ParseGroupFile(std::string_view text) {
  std::vector<HostGroup> groups;
  for (std::string_view line : Split(text, "\n")) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto fields = Split(line, ":");
    if (fields.size() != 4 || fields[0].empty()) continue;
    const auto gid = Number(fields[2]);
    if (!gid) continue;
    HostGroup group{.name = std::string(fields[0]), .gid = *gid, .members = {}};
    for (const std::string_view member : Split(fields[3], ",")) {
      if (!member.empty()) group.members.emplace_back(member);
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

std::optional<CheckUser> ParseProcessStatus(std::string_view status) {
  std::optional<std::uint32_t> uid;
  std::optional<std::uint32_t> gid;
  std::vector<std::uint32_t> groups;
  for (const std::string_view line : Split(status, "\n")) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, colon);
    const auto values = Words(line.substr(colon + 1));
    // "Uid:" and "Gid:" give the real id first, then the effective ones.
    if (name == "Uid" && !values.empty()) uid = Number(values.front());
    if (name == "Gid" && !values.empty()) gid = Number(values.front());
    if (name == "Groups") {
      for (const std::string_view value : values) {
        if (const auto id = Number(value)) groups.push_back(*id);
      }
    }
  }
  if (!uid || !gid) return std::nullopt;
  return CheckUser{.name = std::nullopt, .uid = *uid, .gid = *gid, .groups = std::move(groups)};
}

std::optional<EntryStatus> ParseNodeStandIn(std::string_view text) {
  const auto words = Words(text.substr(0, text.find('\n')));
  if (words.size() != 4 || (words[0] != "c" && words[0] != "b")) return std::nullopt;
  const auto mode = Number(words[1], 8);
  const auto uid = Number(words[2]);
  const auto gid = Number(words[3]);
  if (!mode || *mode > 07777 || !uid || !gid) return std::nullopt;
  return EntryStatus{.kind = words[0] == "c" ? EntryStatus::Kind::CharacterDevice : EntryStatus::Kind::BlockDevice,
                     .mode = *mode,
                     .uid = *uid,
                     .gid = *gid};
}

}  // namespace tarnwick
