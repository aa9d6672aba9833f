// JSON text parsed together with the line of every value, so that a value a
// reader refuses can be named by its line. Values are addressed by path:
// "" for the whole text, then "/" and a member name (with '~' written "~0"
// and '/' written "~1") or an array index for each step inside.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include <nlohmann/json.hpp>

namespace tarnwick {

struct LinedJson {
  nlohmann::json root;
  std::unordered_map<std::string, std::size_t> lines;  // path -> line where the value starts

  std::size_t LineOf(const std::string& path) const;
};

// Throws LineError for a syntax error and for a member given twice in one object.
LinedJson ParseJsonWithLines(std::string_view text);

std::string MemberPath(const std::string& objectPath, std::string_view name);
std::string ElementPath(const std::string& arrayPath, std::size_t index);

}  // namespace tarnwick
