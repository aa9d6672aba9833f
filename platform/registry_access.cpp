#include "platform/registry_access.h"

#include <algorithm>
#include <cstring>

namespace tarnwick {

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    backend_ = other.backend_;
    id_ = other.id_;
    other.backend_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

void RegistryKey::Close() {
  if (backend_ != nullptr) backend_->CloseKey(id_);
  backend_ = nullptr;
  id_ = 0;
}

RegistryKey RegistryAccess::Open(RegistryRoot root, std::string_view path, OpenAccess access) const {
  const auto id = backend_.OpenKey(root, path, access);
  if (!id) return {};
  return RegistryKey(backend_, *id);
}

std::optional<std::string> RegistryAccess::ReadText(const RegistryKey& key, std::string_view valueName,
                                                    std::size_t bufferSize) const {
  if (!key || bufferSize == 0) return std::nullopt;
  const auto value = backend_.QueryValue(key.Id(), valueName);
  if (!value) return std::nullopt;
  const auto& data = value->data;
  const auto* bytes = reinterpret_cast<const char*>(data.data());
  const std::size_t textLength =
      static_cast<std::size_t>(std::find(data.begin(), data.end(), std::uint8_t{0}) - data.begin());
  // A text stored without its terminating zero still needs room for one.
  const bool terminated = textLength < data.size();
  const std::size_t needed = terminated ? data.size() : data.size() + 1;
  if (needed > bufferSize) return std::nullopt;
  return std::string(bytes, textLength);
}

bool RegistryAccess::ReadNumber(const RegistryKey& key, std::string_view valueName, std::uint32_t& number) const {
  if (!key) return false;
  const auto value = backend_.QueryValue(key.Id(), valueName);
  if (!value || value->data.size() > sizeof(std::uint32_t)) return false;
  std::uint32_t result = number;
  for (std::size_t i = 0; i < value->data.size(); ++i) {
    result &= ~(std::uint32_t{0xFF} << (8 * i));
    result |= std::uint32_t{value->data[i]} << (8 * i);
  }
  number = result;
  return true;
}

std::optional<std::vector<std::uint8_t>> RegistryAccess::ReadBytes(const RegistryKey& key, std::string_view valueName,
                                                                   std::size_t bufferSize) const {
  if (!key) return std::nullopt;
  auto value = backend_.QueryValue(key.Id(), valueName);
  if (!value || value->data.size() > bufferSize) return std::nullopt;
  return std::move(value->data);
}

std::optional<std::string> RegistryAccess::SubkeyName(const RegistryKey& key, std::uint32_t index) const {
  if (!key) return std::nullopt;
  auto name = backend_.SubkeyName(key.Id(), index);
  if (!name || name->size() + 1 > kKeyNameBuffer) return std::nullopt;
  return name;
}

std::string RegistryAccess::ReadKeyText(RegistryRoot root, std::string_view path, std::string_view valueName) const {
  const RegistryKey key = Open(root, path);
  return ReadText(key, valueName).value_or(std::string());
}

}  // namespace tarnwick
