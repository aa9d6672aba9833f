// Runs one step of the desk's input walk on a fuzzer's bytes, within small
// bounds so that a run stays fast. Oracle: no report found is ever larger
// than the part bound, and every one is named inside the input.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "desk/inputs/walk.h"

namespace tarnwick::desk::fuzzing {

constexpr std::string_view kInput = "input";

template <typename Step>
void RunWalk(const std::uint8_t* data, std::size_t size, Step step) {
  const FoundReportSink found = [](FoundReport report) {
    if (report.bytes.size() > std::uint64_t{1} << 20 || !report.source.starts_with(kInput)) std::abort();
  };
  const InputProblemSink problem = [](InputProblem) {};
  Walk walk{.found = found,
            .problem = problem,
            .limits = {.maxPartBytes = std::uint64_t{1} << 20, .maxZipExpandedBytes = std::uint64_t{4} << 20}};
  step(walk, Place{std::string(kInput), std::nullopt, 0}, std::string_view(reinterpret_cast<const char*>(data), size));
}

}  // namespace tarnwick::desk::fuzzing
