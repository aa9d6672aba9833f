#include "platform/replay/windows_path.h"

#include "platform/text.h"

namespace tarnwick {

std::string WindowsPathKey(std::string_view path) {
  std::string collapsed;
  collapsed.reserve(path.size());
  for (const char c : path) {
    if (c == '\\' && !collapsed.empty() && collapsed.back() == '\\') continue;
    collapsed += c;
  }
  return FoldCase(collapsed);
}

bool IsPlainDrivePath(std::string_view path) {
  const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (!letter || path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  std::size_t start = 3;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view name = path.substr(start, end - start);
    if (name == "." || name == "..") return false;
    for (const char c : name) {
      if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace tarnwick
