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

std::optional<std::string> ReportPlaceRefusal(ReportFiles& files, const std::string& report,
                                              const std::optional<std::string>& copy,
                                              const std::function<std::string(const std::string&)>& shown) {
  const auto refusal = [&](const std::string& path, std::string_view what) -> std::optional<std::string> {
    const auto obstacle = files.Obstacle(path);
    if (!obstacle) return std::nullopt;
    return "cannot write " + std::string(what) + " to '" + (shown ? shown(path) : path) + "': it is " + *obstacle;
  };
  if (auto problem = refusal(report, "the report")) return problem;
  if (copy) return refusal(*copy, "the copy of the report");
  return std::nullopt;
}

}  // namespace tarnwick
