// The names of the temporary files written beside a report:
// "<file>.<pid>-<n>.tmp", the process id in decimal and n in hex, so a later
// run can tell which process left one.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnwick {

// The process id in such a name of a temporary file beside the file, or 0.
inline std::uint32_t TemporaryFileProcess(std::string_view name, std::string_view file) {
  if (!name.starts_with(file) || !name.ends_with(".tmp")) return 0;
  std::string_view rest = name.substr(file.size(), name.size() - file.size() - 4);
  if (rest.size() < 4 || rest.front() != '.') return 0;
  rest.remove_prefix(1);
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == rest.size()) return 0;
  std::uint32_t pid = 0;
  for (const char c : rest.substr(0, dash)) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + static_cast<std::uint32_t>(c - '0');
  }
  for (const char c : rest.substr(dash + 1)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return 0;
  }
  return pid;
}

}  // namespace tarnwick
