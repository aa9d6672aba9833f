// The Windows registry behind the shared registry layer. A 32-bit program
// reads the 32-bit view by itself; no other view is ever asked for.
#pragma once

#include <map>

#include "platform/registry_backend.h"
#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {

class Win32Registry final : public RegistryBackend {
 public:
  Win32Registry();
  ~Win32Registry() override;

  std::optional<KeyId> OpenKey(RegistryRoot root, std::string_view path, OpenAccess access) override;
  void CloseKey(KeyId key) override;
  std::optional<RegistryValue> QueryValue(KeyId key, std::string_view valueName) override;
  std::optional<std::string> SubkeyName(KeyId key, std::uint32_t index) override;

  std::size_t OpenKeyCount() const { return openKeys_.size(); }

 private:
  // The key behind an id, or nullptr for an id that is not open.
  HKEY Find(KeyId key) const;

  // Every key the shared layer holds open, owned here and closed when the
  // shared layer's key closes it (or with the registry).
  std::map<KeyId, OwnedKey> openKeys_;
  KeyId nextKey_ = 1;
};

}  // namespace tarnwick::win32
