// The services of the Linux layer that this host can answer: memory and
// power from the kernel's files below the root, the user and its groups
// from the running system, and the processor and regional keys put into the
// layer's registry store.
#pragma once

#include <string>

#include "platform/linux/host_tree.h"
#include "platform/memory_power.h"
#include "platform/memory_registry.h"
#include "platform/user_accounts.h"

namespace tarnwick {

class LinuxMemoryPower final : public MemoryPower {
 public:
  explicit LinuxMemoryPower(const HostTree& tree) : tree_(tree) {}
  std::optional<MemoryStatus> QueryMemory() override;
  std::optional<PowerCapabilities> QueryPower() override;

 private:
  const HostTree& tree_;
};

class LinuxUserAccounts final : public UserAccounts {
 public:
  std::optional<std::string> UserName() override;
  // The user's groups; "Administrators" is added when the user has
  // administrative rights (user id 0 or an administrative group), so the
  // report says what the support desk needs to know.
  std::optional<std::vector<std::string>> LocalGroups(std::string_view userName) override;
};

// Puts the first processor's keys ("ProcessorNameString", "Identifier",
// "~MHz"; "CentralProcessor\1" when a second logical processor exists) and
// the regional settings of the locale into the store.
void FillHostRegistry(MemoryRegistry& registry, const HostTree& tree);

}  // namespace tarnwick
