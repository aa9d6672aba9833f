// libFuzzer target for the PE version reader: the input is read as a PE file,
// and on its own as a version data block. Any crash, overread, hang or answer
// that lies outside the input is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "platform/pe/byte_source.h"
#include "platform/pe/version_info.h"

namespace {

constexpr std::string_view kPaths[] = {
    "\\",
    "",
    "\\VarFileInfo\\Translation",
    "\\varfileinfo\\TRANSLATION\\",
    "\\StringFileInfo\\040904E4\\FileVersion",
    "\\StringFileInfo\\040904b0\\ProductVersion",
    "\\\\VarFileInfo\\\\",
};

void Within(std::span<const std::uint8_t> inner, std::span<const std::uint8_t> outer) {
  if (inner.data() < outer.data() || inner.size() > outer.size() ||
      inner.data() - outer.data() > static_cast<std::ptrdiff_t>(outer.size() - inner.size())) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  const tarnwick::MemorySource file(input);
  if (const auto block = tarnwick::LoadPeVersionBlock(file)) {
    for (const std::string_view path : kPaths) block->Query(path);
    if (const auto version = tarnwick::FileVersionOf(*block)) {
      // A version needs a whole, signed fixed record.
      const auto fixed = block->Query("\\");
      if (!fixed || fixed->size() < tarnwick::kFixedFileInfoSize) std::abort();
    }
  }

  for (const std::string_view path : kPaths) {
    if (const auto value = tarnwick::QueryVersionValue(input, path)) {
      if (value->empty()) std::abort();
      Within(*value, input);
    }
  }
  return 0;
}
