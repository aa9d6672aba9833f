#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

}  // namespace

Win32Registry::Win32Registry() = default;
Win32Registry::~Win32Registry() = default;

HKEY Win32Registry::Find(KeyId key) const {
  const auto open = openKeys_.find(key);
  return open == openKeys_.end() ? nullptr : open->second.Get();
}

std::optional<RegistryBackend::KeyId> Win32Registry::OpenKey(RegistryRoot root, std::string_view path,
                                                             OpenAccess access) {
  const std::string text(path);
  OwnedKey key;
  LONG status = ERROR_SUCCESS;
  switch (access) {
    case OpenAccess::Default:
      status = ::RegOpenKeyA(RootKey(root), text.c_str(), key.Receive());
      break;
    case OpenAccess::QueryValue:
      status = ::RegOpenKeyExA(RootKey(root), text.c_str(), 0, KEY_QUERY_VALUE, key.Receive());
      break;
    case OpenAccess::Read:
      status = ::RegOpenKeyExA(RootKey(root), text.c_str(), 0, KEY_READ, key.Receive());
      break;
  }
  if (status != ERROR_SUCCESS || !key) return std::nullopt;
  const KeyId id = nextKey_++;
  openKeys_.emplace(id, std::move(key));
  return id;
}

void Win32Registry::CloseKey(KeyId key) { openKeys_.erase(key); }

std::optional<RegistryValue> Win32Registry::QueryValue(KeyId id, std::string_view valueName) {
  const HKEY key = Find(id);
  if (key == nullptr) return std::nullopt;
  const std::string name(valueName);
  RegistryValue value;
  DWORD size = 0;
  DWORD type = 0;
  LONG status = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  // The size can grow between the two calls; try again a few times.
  for (int attempt = 0; attempt < 4 && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA); ++attempt) {
    value.data.resize(size);
    DWORD got = size;
    status = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, value.data.empty() ? nullptr : value.data.data(),
                                &got);
    if (status == ERROR_SUCCESS) {
      value.data.resize(got);
      value.type = type;
      return value;
    }
    size = got;
  }
  return std::nullopt;
}

std::optional<std::string> Win32Registry::SubkeyName(KeyId id, std::uint32_t index) {
  const HKEY key = Find(id);
  if (key == nullptr) return std::nullopt;
  char name[MAX_PATH + 1];
  DWORD length = sizeof name;
  if (::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(name, length);
}

}  // namespace tarnwick::win32
