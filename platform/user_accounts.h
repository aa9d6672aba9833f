// The logged-on user and its local groups.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

class UserAccounts {
 public:
  virtual ~UserAccounts() = default;
  // At most 256 characters; nothing when the name cannot be had.
  virtual std::optional<std::string> UserName() = 0;
  // The user's local groups, indirect memberships included, in the order the
  // platform returns them; nothing when the query fails.
  virtual std::optional<std::vector<std::string>> LocalGroups(std::string_view userName) = 0;
};

}  // namespace tarnwick
