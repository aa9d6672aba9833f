#include "app/report_copy.h"

#include "platform/text.h"

namespace tarnwick {
namespace {

std::string NormalisedPath(std::string_view path) {
  std::string normal;
  normal.reserve(path.size());
  for (const char c : path) {
    const char separator = (c == '/') ? '\\' : c;
    if (separator == '\\' && !normal.empty() && normal.back() == '\\') continue;
    normal += separator;
  }
  return FoldCase(normal);
}

}  // namespace

bool SameWindowsPath(std::string_view a, std::string_view b) { return NormalisedPath(a) == NormalisedPath(b); }

std::optional<std::string> ReportCopyPath(std::string_view executablePath, std::string_view reportPath) {
  const std::size_t slash = executablePath.find_last_of("\\/");
  if (slash == std::string_view::npos) return std::nullopt;
  std::string copy(executablePath.substr(0, slash));
  copy += "\\SystemInfo.ini";
  if (copy.size() > kMaxPathLength || SameWindowsPath(copy, reportPath)) return std::nullopt;
  return copy;
}

}  // namespace tarnwick
