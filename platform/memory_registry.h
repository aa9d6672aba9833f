// A registry kept in memory: what the replay and Linux layers read through
// the shared registry layer. Like Windows' registry it keeps names in
// Unicode: the reads (the A functions) give and take 8-bit names in the
// computer's code page, so two keys whose names differ only in characters the
// code page lacks stay two keys, both read as '?' there. Key and value names
// compare without regard to case, and subkeys enumerate sorted without regard
// to case, as Wine enumerates them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry_backend.h"

namespace tarnwick {

class MemoryRegistry final : public RegistryBackend {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  // The code page of the 8-bit names and texts; Windows-1252 until set.
  void SetCodePage(std::shared_ptr<const CodePage> codePage);
  const CodePage& Code() const { return *codePage_; }

  // Building the store with Unicode names, as a UTF-16 regedit file gives them.
  bool CreateKey(RegistryRoot root, std::u32string_view path);
  bool SetValue(RegistryRoot root, std::u32string_view path, std::u32string_view name, RegistryValue value);
  bool DeleteKey(RegistryRoot root, std::u32string_view path);
  bool DeleteValue(RegistryRoot root, std::u32string_view path, std::u32string_view name);

  // Building the store with 8-bit names in the code page. Paths are below a
  // root, components split by '\'. Each returns false for a path with an
  // empty component.
  bool CreateKey(RegistryRoot root, std::string_view path);
  bool SetValue(RegistryRoot root, std::string_view path, std::string_view name, RegistryValue value);
  bool SetText(RegistryRoot root, std::string_view path, std::string_view name, std::string_view text);
  bool SetNumber(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t number);
  // Removes the key with all its subkeys; false when it does not exist.
  bool DeleteKey(RegistryRoot root, std::string_view path);
  bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name);

  // RegistryBackend
  std::optional<KeyId> OpenKey(RegistryRoot root, std::string_view path, OpenAccess access) override;
  void CloseKey(KeyId key) override;
  std::optional<RegistryValue> QueryValue(KeyId key, std::string_view valueName) override;
  std::optional<std::string> SubkeyName(KeyId key, std::uint32_t index) override;

  std::size_t OpenKeyCount() const { return openKeys_.size(); }

 private:
  struct Node;
  struct NameLess {
    using is_transparent = void;
    bool operator()(std::u32string_view a, std::u32string_view b) const;
  };
  using Subkeys = std::map<std::u32string, std::unique_ptr<Node>, NameLess>;
  struct Node {
    std::u32string name;  // as first written
    Subkeys subkeys;
    std::map<std::u32string, RegistryValue, NameLess> values;
  };

  static void FreeBranch(Subkeys& subkeys);
  Node* RootNode(RegistryRoot root);
  Node* Find(RegistryRoot root, std::u32string_view path);
  Node* FindOrCreate(RegistryRoot root, std::u32string_view path);

  std::shared_ptr<const CodePage> codePage_;
  Node localMachine_;
  Node currentUser_;
  std::map<KeyId, const Node*> openKeys_;
  KeyId nextKey_ = 1;
};

// Splits a key path into its names; nothing when a name is empty (a single
// trailing backslash is allowed, an empty path names the root itself).
std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path);
std::optional<std::vector<std::u32string_view>> SplitKeyPath(std::u32string_view path);

}  // namespace tarnwick
