// The registry read operations every collector shares: open, read text, read
// number, enumerate subkeys, close. The limits live here so that every backend
// behaves alike: a text is read into a buffer of 255 bytes unless the caller
// states another size, so 254 characters are read whole and 255 or more fail;
// subkey names are read into 260 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_backend.h"

namespace tarnwick {

inline constexpr std::size_t kRegistryTextBuffer = 255;
inline constexpr std::size_t kKeyNameBuffer = 260;

// An open key; closes itself. Empty when the open failed.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(RegistryBackend& backend, RegistryBackend::KeyId id) : backend_(&backend), id_(id) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept { *this = std::move(other); }
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  ~RegistryKey() { Close(); }

  bool IsOpen() const { return backend_ != nullptr; }
  explicit operator bool() const { return IsOpen(); }
  void Close();
  RegistryBackend::KeyId Id() const { return id_; }

 private:
  RegistryBackend* backend_ = nullptr;
  RegistryBackend::KeyId id_ = 0;
};

class RegistryAccess {
 public:
  explicit RegistryAccess(RegistryBackend& backend) : backend_(backend) {}

  RegistryKey Open(RegistryRoot root, std::string_view path, OpenAccess access = OpenAccess::Default) const;

  // The text of a value as a buffer of bufferSize bytes receives it: the
  // stored bytes up to the first zero. A value that needs more room than the
  // buffer (its text and terminating zero), or a missing one, fails: nothing,
  // never leftovers of an earlier read. The stored type is not examined.
  std::optional<std::string> ReadText(const RegistryKey& key, std::string_view valueName,
                                      std::size_t bufferSize = kRegistryTextBuffer) const;

  // Reads a value of at most 4 bytes into number (its low bytes first, as
  // into a 32-bit buffer). On failure number keeps what the caller put there.
  bool ReadNumber(const RegistryKey& key, std::string_view valueName, std::uint32_t& number) const;

  // The raw bytes of a value when they fit in bufferSize.
  std::optional<std::vector<std::uint8_t>> ReadBytes(const RegistryKey& key, std::string_view valueName,
                                                     std::size_t bufferSize) const;

  // Name of the subkey at index, at most 259 characters; nothing past the
  // last subkey or for a longer name.
  std::optional<std::string> SubkeyName(const RegistryKey& key, std::uint32_t index) const;

  // Opens the key, reads one text value and closes the key again; empty text
  // when either fails. Most collectors read this way.
  std::string ReadKeyText(RegistryRoot root, std::string_view path, std::string_view valueName) const;

 private:
  RegistryBackend& backend_;
};

}  // namespace tarnwick
