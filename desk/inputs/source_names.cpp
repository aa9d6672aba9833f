#include "desk/inputs/source_names.h"

namespace tarnwick::desk {

std::string SourceNames::Name(std::string_view given, int position) {
  std::string name = given.empty() ? "part-" + std::to_string(position) : std::string(given);
  // A generated name may itself repeat a given one ("a", "a", "a~2"), so the
  // count goes on until the name is free.
  std::string candidate = name;
  int& count = seen_[name];
  while (count > 0 && seen_.contains(candidate)) candidate = name + "~" + std::to_string(++count);
  if (count == 0) count = 1;
  if (candidate != name) seen_[candidate] = 1;
  return candidate;
}

std::string JoinSource(std::string_view parent, std::string_view name) {
  std::string source(parent);
  if (!source.ends_with('/')) source += '/';
  source += name;
  return source;
}

}  // namespace tarnwick::desk
