#include "tests/tools/registry_dump.h"

#include <array>
#include <string_view>

namespace tarnwick {
namespace {

constexpr std::array<std::string_view, 12> kValueNames = {
    "", "Text", "Number", "Long254", "Long255", "Empty", "Binary", "Expand", "Multi", "Quoted", "Short", "Missing"};

// Texts are printed with their control bytes escaped, so that the output is
// one line per read.
std::string Shown(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '\\') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace

void DumpKeyTree(const RegistryAccess& registry, RegistryRoot root, const std::string& path, std::ostream& out) {
  const RegistryKey key = registry.Open(root, path, OpenAccess::Read);
  if (!key) {
    out << "[" << Shown(path) << "] cannot be opened\n";
    return;
  }
  out << "[" << Shown(path) << "]\n";
  for (const std::string_view name : kValueNames) {
    const auto text = registry.ReadText(key, name);
    std::uint32_t number = 0xDEADBEEF;
    const bool read = registry.ReadNumber(key, name, number);
    out << "  \"" << name << "\" text=";
    if (text) {
      out << '"' << Shown(*text) << '"';
    } else {
      out << "failed";
    }
    out << " number=" << (read ? std::to_string(number) : "failed") << " kept=" << number << "\n";
  }
  for (std::uint32_t index = 0; index < 100; ++index) {
    const auto name = registry.SubkeyName(key, index);
    if (!name) break;
    DumpKeyTree(registry, root, path + "\\" + *name, out);
  }
}

}  // namespace tarnwick
