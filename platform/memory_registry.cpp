#include "platform/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace tarnwick {

bool MemoryRegistry::NameLess::operator()(std::u32string_view a, std::u32string_view b) const {
  return CompareUnicodeIgnoreCase(a, b) < 0;
}

namespace {

template <typename Char>
std::optional<std::vector<std::basic_string_view<Char>>> SplitPath(std::basic_string_view<Char> path) {
  using View = std::basic_string_view<Char>;
  std::vector<View> names;
  if (!path.empty() && path.back() == Char('\\')) path.remove_suffix(1);
  if (path.empty()) return names;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = path.find(Char('\\'), start);
    const View name = path.substr(start, end == View::npos ? View::npos : end - start);
    if (name.empty()) return std::nullopt;
    names.push_back(name);
    if (end == View::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace

std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path) { return SplitPath(path); }

std::optional<std::vector<std::u32string_view>> SplitKeyPath(std::u32string_view path) { return SplitPath(path); }

MemoryRegistry::MemoryRegistry() : codePage_(SharedWindows1252()) {}

void MemoryRegistry::SetCodePage(std::shared_ptr<const CodePage> codePage) {
  if (codePage) codePage_ = std::move(codePage);
}

MemoryRegistry::~MemoryRegistry() {
  FreeBranch(localMachine_.subkeys);
  FreeBranch(currentUser_.subkeys);
}

void MemoryRegistry::FreeBranch(Subkeys& subkeys) {
  // Each node gives up its subkeys before it is destroyed, so no destructor
  // recurses: a key path thousands of levels deep frees in constant stack.
  std::vector<std::unique_ptr<Node>> pending;
  for (auto& [name, child] : subkeys) pending.push_back(std::move(child));
  subkeys.clear();
  while (!pending.empty()) {
    std::unique_ptr<Node> node = std::move(pending.back());
    pending.pop_back();
    for (auto& [name, child] : node->subkeys) pending.push_back(std::move(child));
    node->subkeys.clear();
  }
}

MemoryRegistry::Node* MemoryRegistry::RootNode(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? &localMachine_ : &currentUser_;
}

MemoryRegistry::Node* MemoryRegistry::Find(RegistryRoot root, std::u32string_view path) {
  // Opened as Windows and Wine open a key: a run of backslashes parts two
  // names like one and backslashes at the end are ignored, but a path that
  // starts with one is refused.
  if (!path.empty() && path.front() == U'\\') return nullptr;
  Node* node = RootNode(root);
  std::size_t start = 0;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find(U'\\', start), path.size());
    if (end > start) {
      const auto it = node->subkeys.find(path.substr(start, end - start));
      if (it == node->subkeys.end()) return nullptr;
      node = it->second.get();
    }
    start = end + 1;
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::FindOrCreate(RegistryRoot root, std::u32string_view path) {
  const auto names = SplitKeyPath(path);
  if (!names) return nullptr;
  Node* node = RootNode(root);
  for (const auto name : *names) {
    auto it = node->subkeys.find(name);
    if (it == node->subkeys.end()) {
      auto child = std::make_unique<Node>();
      child->name = std::u32string(name);
      it = node->subkeys.emplace(std::u32string(name), std::move(child)).first;
    }
    node = it->second.get();
  }
  return node;
}

bool MemoryRegistry::CreateKey(RegistryRoot root, std::string_view path) {
  return CreateKey(root, codePage_->Decode(path));
}

bool MemoryRegistry::SetValue(RegistryRoot root, std::string_view path, std::string_view name, RegistryValue value) {
  return SetValue(root, codePage_->Decode(path), codePage_->Decode(name), std::move(value));
}

bool MemoryRegistry::DeleteKey(RegistryRoot root, std::string_view path) {
  return DeleteKey(root, codePage_->Decode(path));
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) {
  return DeleteValue(root, codePage_->Decode(path), codePage_->Decode(name));
}

bool MemoryRegistry::CreateKey(RegistryRoot root, std::u32string_view path) {
  return FindOrCreate(root, path) != nullptr;
}

bool MemoryRegistry::SetValue(RegistryRoot root, std::u32string_view path, std::u32string_view name,
                              RegistryValue value) {
  Node* node = FindOrCreate(root, path);
  if (node == nullptr) return false;
  const auto it = node->values.find(name);
  if (it != node->values.end()) {
    it->second = std::move(value);
  } else {
    node->values.emplace(std::u32string(name), std::move(value));
  }
  return true;
}

bool MemoryRegistry::SetText(RegistryRoot root, std::string_view path, std::string_view name, std::string_view text) {
  RegistryValue value{kRegSz, std::vector<std::uint8_t>(text.begin(), text.end())};
  value.data.push_back(0);
  return SetValue(root, path, name, std::move(value));
}

bool MemoryRegistry::SetNumber(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t number) {
  RegistryValue value{kRegDword, std::vector<std::uint8_t>(4)};
  for (std::size_t i = 0; i < 4; ++i) value.data[i] = static_cast<std::uint8_t>(number >> (8 * i));
  return SetValue(root, path, name, std::move(value));
}

bool MemoryRegistry::DeleteKey(RegistryRoot root, std::u32string_view path) {
  auto names = SplitKeyPath(path);
  if (!names || names->empty()) return false;
  const std::u32string_view last = names->back();
  names->pop_back();
  Node* parent = RootNode(root);
  for (const auto name : *names) {
    const auto it = parent->subkeys.find(name);
    if (it == parent->subkeys.end()) return false;
    parent = it->second.get();
  }
  const auto it = parent->subkeys.find(last);
  if (it == parent->subkeys.end()) return false;
  // Handles into the removed branch would dangle; the store is only changed
  // while it is built, before any key is opened.
  Subkeys branch;
  branch.insert(parent->subkeys.extract(it));
  FreeBranch(branch);
  return true;
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, std::u32string_view path, std::u32string_view name) {
  Node* node = Find(root, path);
  if (node == nullptr) return false;
  const auto it = node->values.find(name);
  if (it == node->values.end()) return false;
  node->values.erase(it);
  return true;
}

std::optional<RegistryBackend::KeyId> MemoryRegistry::OpenKey(RegistryRoot root, std::string_view path, OpenAccess) {
  const Node* node = Find(root, codePage_->Decode(path));
  if (node == nullptr) return std::nullopt;
  const KeyId id = nextKey_++;
  openKeys_.emplace(id, node);
  return id;
}

void MemoryRegistry::CloseKey(KeyId key) { openKeys_.erase(key); }

std::optional<RegistryValue> MemoryRegistry::QueryValue(KeyId key, std::string_view valueName) {
  const auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return std::nullopt;
  const auto it = open->second->values.find(codePage_->Decode(valueName));
  if (it == open->second->values.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> MemoryRegistry::SubkeyName(KeyId key, std::uint32_t index) {
  const auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return std::nullopt;
  const auto& subkeys = open->second->subkeys;
  if (index >= subkeys.size()) return std::nullopt;
  auto it = subkeys.begin();
  std::advance(it, index);
  return codePage_->Encode(it->second->name);
}

}  // namespace tarnwick
