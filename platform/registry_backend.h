// The registry as a platform service: the raw store that the shared registry
// layer reads through. Backends: the Win32 registry, and the in-memory store
// that the replay and Linux layers fill.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

enum class RegistryRoot { LocalMachine, CurrentUser };

// How a key is opened: RegOpenKeyA's default access, or RegOpenKeyExA with
// KEY_QUERY_VALUE or KEY_READ. Every form only reads.
enum class OpenAccess { Default, QueryValue, Read };

// Registry value types as Windows numbers them.
enum RegistryType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

struct RegistryValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;  // as the A functions return it: texts are 8-bit
};

class RegistryBackend {
 public:
  using KeyId = std::uint64_t;

  virtual ~RegistryBackend() = default;
  virtual std::optional<KeyId> OpenKey(RegistryRoot root, std::string_view path, OpenAccess access) = 0;
  virtual void CloseKey(KeyId key) = 0;
  // The whole stored value, whatever its size; the shared layer applies the
  // caller's buffer size.
  virtual std::optional<RegistryValue> QueryValue(KeyId key, std::string_view valueName) = 0;
  // Name of the subkey at index in enumeration order, or nothing past the end.
  virtual std::optional<std::string> SubkeyName(KeyId key, std::uint32_t index) = 0;
};

}  // namespace tarnwick
