#include "desk/rules.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarnwick::desk {
namespace {

constexpr std::string_view kSeverities[] = {"problem", "warning", "note"};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<Rule> ParseRule(std::string_view text, const std::string& file, std::string& error) {
  Rule rule;
  rule.file = file;
  std::string* field = nullptr;
  std::string applies;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    if (line.substr(0, 2) != "--") break;
    at = end + 1;
    const std::string_view body = line.substr(2);
    if (Trim(body).empty()) continue;
    if (body.substr(0, 2) == "  " && field != nullptr) {
      *field += ' ';
      *field += Trim(body);
      continue;
    }
    const std::size_t colon = body.find(':');
    const std::string_view name = colon == std::string_view::npos ? std::string_view() : Trim(body.substr(0, colon));
    const std::string value(colon == std::string_view::npos ? std::string_view() : Trim(body.substr(colon + 1)));
    if (name == "id") field = &rule.id;
    else if (name == "severity") field = &rule.severity;
    else if (name == "title") field = &rule.title;
    else if (name == "advice") field = &rule.advice;
    else if (name == "applies") field = &applies;
    else {
      error = file + ": header line not understood: " + std::string(Trim(line));
      return std::nullopt;
    }
    *field = value;
  }
  rule.query = std::string(Trim(text.substr(std::min(at, text.size()))));
  if (rule.id.empty() || rule.title.empty() || rule.advice.empty() || rule.query.empty()) {
    error = file + ": a rule needs id, severity, title, advice and a query";
    return std::nullopt;
  }
  if (std::find(std::begin(kSeverities), std::end(kSeverities), rule.severity) == std::end(kSeverities)) {
    error = file + ": severity must be problem, warning or note, not \"" + rule.severity + "\"";
    return std::nullopt;
  }
  if (applies.empty() || applies == "all") rule.applies = RuleScope::kAll;
  else if (applies == "windows") rule.applies = RuleScope::kWindows;
  else if (applies == "linux") rule.applies = RuleScope::kLinux;
  else {
    error = file + ": applies must be windows, linux or all, not \"" + applies + "\"";
    return std::nullopt;
  }
  return rule;
}

RulesOrError LoadRules(const std::vector<std::string>& folders) {
  RulesOrError result;
  for (const std::string& folder : folders) {
    std::error_code failed;
    std::vector<std::filesystem::path> files;
    for (const auto& item : std::filesystem::directory_iterator(folder, failed)) {
      if (item.path().extension() == ".sql") files.push_back(item.path());
    }
    if (failed) {
      result.error = folder + ": " + failed.message();
      return result;
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      std::ifstream in(path, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!in) {
        result.error = path.string() + ": cannot be read";
        return result;
      }
      auto rule = ParseRule(text, path.string(), result.error);
      if (!rule) return result;
      const auto same = std::find_if(result.rules.begin(), result.rules.end(),
                                     [&](const Rule& known) { return known.id == rule->id; });
      if (same != result.rules.end()) *same = std::move(*rule);
      else result.rules.push_back(std::move(*rule));
    }
  }
  return result;
}

std::string DefaultRulesFolder() {
  std::error_code failed;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (!failed) {
    const auto installed = program.parent_path().parent_path() / "share" / "tarnwick-desk" / "rules";
    if (std::filesystem::is_directory(installed, failed)) return installed.string();
  }
  return TARNWICK_DESK_RULES_DIR;
}

}  // namespace tarnwick::desk
