#include "platform/replay/windows_path.h"

#include "platform/text.h"

namespace tarnwick {

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

char CurrentDrive(std::string_view executablePath) {
  if (executablePath.size() >= 2 && IsDriveLetter(executablePath[0]) && executablePath[1] == ':') {
    return executablePath[0];
  }
  return 'C';
}

std::string WindowsPathKey(std::string_view path, char currentDrive) {
  std::string collapsed;
  collapsed.reserve(path.size() + 2);
  const bool share = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  if (share) {
    collapsed = "\\\\";
  } else if (!path.empty() && IsSeparator(path[0])) {
    collapsed = {currentDrive, ':'};
  }
  for (const char c : path) {
    const bool separator = IsSeparator(c);
    if (separator && !collapsed.empty() && collapsed.back() == '\\') continue;
    collapsed += separator ? '\\' : c;
  }
  return FoldCase(collapsed);
}

bool IsPlainDrivePath(std::string_view path) {
  const bool letter = !path.empty() && IsDriveLetter(path[0]);
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
