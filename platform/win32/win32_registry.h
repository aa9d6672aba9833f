// The Windows registry behind the shared registry layer. A 32-bit program
// reads the 32-bit view by itself; no other view is ever asked for.
#pragma once

#include "platform/registry_backend.h"

namespace tarnwick::win32 {

class Win32Registry final : public RegistryBackend {
 public:
  std::optional<KeyId> OpenKey(RegistryRoot root, std::string_view path, OpenAccess access) override;
  void CloseKey(KeyId key) override;
  std::optional<RegistryValue> QueryValue(KeyId key, std::string_view valueName) override;
  std::optional<std::string> SubkeyName(KeyId key, std::uint32_t index) override;
};

}  // namespace tarnwick::win32
