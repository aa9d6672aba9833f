#include "platform/pe/version_info.h"

#include <algorithm>

#include "platform/pe/pe_resources.h"

namespace tarnwick {
namespace {

constexpr std::size_t kNodeHeaderSize = 6;  // wLength, wValueLength, wType
constexpr std::uint16_t kTextValue = 1;

std::uint16_t U16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{U16(bytes, at)} | (std::uint32_t{U16(bytes, at + 2)} << 16);
}

// Positions count from the start of the block, which the platform keeps
// 4-byte aligned, so alignment is of the position itself.
std::size_t Align4(std::size_t position) { return (position + 3) & ~std::size_t{3}; }

// One node: its header, its key, then its value and its children, each
// starting on a 4-byte boundary. The block is at most 64 KiB long (its length
// fields have 16 bits), so no sum of positions here can wrap.
struct Node {
  std::size_t start = 0;
  std::size_t end = 0;        // start + wLength, cut at the end of the parent
  std::size_t keyStart = 0;
  std::size_t keyUnits = 0;   // without the terminator
  std::size_t valueStart = 0;
  std::size_t valueSize = 0;  // in bytes
  bool valueFits = false;
  std::size_t childrenStart = 0;
  std::size_t nextSibling = 0;
};

std::optional<Node> ParseNode(std::span<const std::uint8_t> block, std::size_t start, std::size_t limit) {
  if (start > limit || limit - start < kNodeHeaderSize) return std::nullopt;
  const std::uint16_t length = U16(block, start);
  if (length < kNodeHeaderSize) return std::nullopt;
  Node node;
  node.start = start;
  node.end = std::min(start + length, limit);
  node.nextSibling = Align4(start + length);  // at least 8 bytes on

  node.keyStart = start + kNodeHeaderSize;
  std::size_t position = node.keyStart;
  for (;; position += 2) {
    if (node.end - position < 2) return std::nullopt;  // no terminator inside the node
    if (U16(block, position) == 0) break;
  }
  node.keyUnits = (position - node.keyStart) / 2;

  const std::uint16_t valueLength = U16(block, start + 2);
  const bool text = U16(block, start + 4) == kTextValue;
  node.valueSize = text ? std::size_t{valueLength} * 2 : valueLength;
  node.valueStart = Align4(position + 2);
  node.valueFits = node.valueStart <= node.end && node.valueSize <= node.end - node.valueStart;
  node.childrenStart = std::min(Align4(node.valueStart + node.valueSize), node.end);
  return node;
}

bool KeyIs(std::span<const std::uint8_t> block, const Node& node, std::string_view name) {
  if (node.keyUnits != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    std::uint16_t unit = U16(block, node.keyStart + 2 * i);
    auto wanted = static_cast<std::uint16_t>(static_cast<unsigned char>(name[i]));
    if (unit >= 'A' && unit <= 'Z') unit = static_cast<std::uint16_t>(unit + ('a' - 'A'));
    if (wanted >= 'A' && wanted <= 'Z') wanted = static_cast<std::uint16_t>(wanted + ('a' - 'A'));
    if (unit != wanted) return false;
  }
  return true;
}

std::optional<Node> FindChild(std::span<const std::uint8_t> block, const Node& parent, std::string_view name) {
  // Every child moves on by at least 8 bytes, so the walk ends.
  for (std::size_t position = parent.childrenStart; position < parent.end;) {
    const auto child = ParseNode(block, position, parent.end);
    if (!child) return std::nullopt;
    if (KeyIs(block, *child, name)) return child;
    position = child->nextSibling;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> block,
                                                               std::string_view subBlock) {
  if (block.size() > kMaxVersionBlockSize) block = block.first(kMaxVersionBlockSize);
  auto node = ParseNode(block, 0, block.size());
  if (!node) return std::nullopt;
  while (!subBlock.empty()) {
    const std::size_t separator = subBlock.find('\\');
    const std::string_view name = subBlock.substr(0, separator);
    subBlock = separator == std::string_view::npos ? std::string_view() : subBlock.substr(separator + 1);
    if (name.empty()) continue;  // "\", "\\" and a trailing "\" name no node
    node = FindChild(block, *node, name);
    if (!node) return std::nullopt;
  }
  if (node->valueSize == 0 || !node->valueFits) return std::nullopt;
  return block.subspan(node->valueStart, node->valueSize);
}

std::unique_ptr<VersionBlock> LoadPeVersionBlock(const ByteSource& file) {
  auto bytes = ReadVersionResource(file);
  if (!bytes) return nullptr;
  return std::make_unique<PeVersionBlock>(std::move(*bytes));
}

std::optional<VersionParts> FileVersionOf(const VersionBlock& block) {
  const auto fixed = block.Query("\\");
  if (!fixed || fixed->size() < kFixedFileInfoSize || U32(*fixed, 0) != kFixedFileInfoSignature) {
    return std::nullopt;
  }
  if (!block.Query("\\VarFileInfo\\Translation")) return std::nullopt;
  const std::uint32_t most = U32(*fixed, 8);
  const std::uint32_t least = U32(*fixed, 12);
  return VersionParts{static_cast<std::uint16_t>(most >> 16), static_cast<std::uint16_t>(most),
                      static_cast<std::uint16_t>(least >> 16), static_cast<std::uint16_t>(least)};
}

std::optional<VersionParts> FileVersionOf(const ByteSource& file) {
  const auto block = LoadPeVersionBlock(file);
  return block ? FileVersionOf(*block) : std::nullopt;
}

}  // namespace tarnwick
