// Readable names for parameterised cases: every case struct with a `name`
// prints as that name and gives it as the test's suffix, so test names stay
// the same from run to run (never a dump of the case's bytes).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tarnwick {
namespace {

// A case with a name and no printing of its own.
template <typename T>
concept NamedCase = requires(const T& c) { std::string(c.name); } &&
                    !requires(std::ostream& out, const T& c) { out << c; };

// Found by argument-dependent lookup for the cases of this file's unnamed
// namespace; preferred to GoogleTest's byte dump as the more constrained.
template <NamedCase T>
[[maybe_unused]] void PrintTo(const T& c, std::ostream* out) {
  *out << std::string(c.name);
}

// The case's name as a test name: letters, digits and '_' only.
struct CaseName {
  template <typename T>
  std::string operator()(const testing::TestParamInfo<T>& info) const {
    std::string name(info.param.name);
    for (char& c : name) {
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
  }
};

}  // namespace
}  // namespace tarnwick
