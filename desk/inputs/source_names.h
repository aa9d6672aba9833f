// Names the parts met at one level of an input (the parts of one mail, the
// members of one zip, the attachments of one TNEF stream): a part without a
// name is "part-N" by its position, and a name met again gets "~2", "~3", so
// every report found has a source of its own.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tarnwick::desk {

class SourceNames {
 public:
  // The name of the part at position (from 1) whose own name is given, or
  // empty when it has none.
  std::string Name(std::string_view given, int position);

 private:
  std::map<std::string, int, std::less<>> seen_;
};

// The source of a part inside the container named by parent.
std::string JoinSource(std::string_view parent, std::string_view name);

}  // namespace tarnwick::desk
