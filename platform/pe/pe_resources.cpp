#include "platform/pe/pe_resources.h"

#include <algorithm>
#include <array>

namespace tarnwick {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;          // "MZ"
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint64_t kDataDirectorySize = 8;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kResourceDirectoryHeaderSize = 16;
constexpr std::uint64_t kResourceEntrySize = 8;
constexpr std::uint64_t kResourceDataEntrySize = 16;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kNameIsStringFlag = 0x80000000;

std::uint16_t U16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

std::uint32_t U32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
         (std::uint32_t{at[3]} << 24);
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ReadFixed(const ByteSource& file, std::uint64_t offset) {
  std::array<std::uint8_t, N> bytes{};
  if (!file.Read(offset, bytes)) return std::nullopt;
  return bytes;
}

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

// A range of the file that an RVA names: its file offset, how many bytes of
// its section's file data follow from there, and where that data ends.
struct FileRange {
  std::uint64_t offset = 0;
  std::uint64_t available = 0;
  std::uint64_t sectionEnd = 0;
};

// The first section whose image range holds the RVA. All sums are of 32-bit
// numbers in 64 bits, so none of them can wrap.
std::optional<FileRange> MapRva(const std::vector<Section>& sections, std::uint32_t rva) {
  for (const Section& section : sections) {
    const std::uint64_t extent = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
    if (rva < section.virtualAddress || std::uint64_t{rva} - section.virtualAddress >= extent) continue;
    const std::uint64_t into = std::uint64_t{rva} - section.virtualAddress;
    // Past the section's file data the image holds zeros that the file has
    // not: such an RVA names nothing this reader can use.
    if (into >= section.rawSize) return std::nullopt;
    const std::uint64_t mapped = std::min<std::uint64_t>(extent, section.rawSize);
    return FileRange{std::uint64_t{section.rawOffset} + into, mapped - into,
                     std::uint64_t{section.rawOffset} + section.rawSize};
  }
  return std::nullopt;
}

struct ImageLayout {
  std::uint32_t resourceRva = 0;
  std::vector<Section> sections;
};

std::optional<ImageLayout> ReadLayout(const ByteSource& file) {
  const auto dos = ReadFixed<kDosHeaderSize>(file, 0);
  if (!dos || U16(dos->data()) != kDosMagic) return std::nullopt;
  const std::uint64_t peOffset = U32(dos->data() + kNewHeaderOffsetField);

  const auto head = ReadFixed<4 + kFileHeaderSize>(file, peOffset);
  if (!head || U32(head->data()) != kPeSignature) return std::nullopt;
  const std::uint16_t sectionCount = U16(head->data() + 4 + 2);
  const std::uint16_t optionalSize = U16(head->data() + 4 + 16);
  const std::uint64_t optionalOffset = peOffset + 4 + kFileHeaderSize;

  const auto magic = ReadFixed<2>(file, optionalOffset);
  if (!magic) return std::nullopt;
  std::uint64_t countField = 0;  // NumberOfRvaAndSizes, then the directories
  switch (U16(magic->data())) {
    case kPe32Magic: countField = 92; break;
    case kPe32PlusMagic: countField = 108; break;
    default: return std::nullopt;
  }
  const std::uint64_t directoryOffset = countField + 4 + kResourceDirectoryIndex * kDataDirectorySize;
  if (directoryOffset + kDataDirectorySize > optionalSize) return std::nullopt;
  const auto count = ReadFixed<4>(file, optionalOffset + countField);
  if (!count || U32(count->data()) <= kResourceDirectoryIndex) return std::nullopt;
  const auto directory = ReadFixed<kDataDirectorySize>(file, optionalOffset + directoryOffset);
  if (!directory) return std::nullopt;

  ImageLayout layout;
  layout.resourceRva = U32(directory->data());
  if (layout.resourceRva == 0 || sectionCount == 0) return std::nullopt;

  // At most 65535 headers of 40 bytes: the table is read in one go, once the
  // file is known to be long enough for it.
  const std::uint64_t tableSize = sectionCount * kSectionHeaderSize;
  if (tableSize > file.Size()) return std::nullopt;
  std::vector<std::uint8_t> table(tableSize);
  if (!file.Read(optionalOffset + optionalSize, table)) return std::nullopt;
  layout.sections.reserve(sectionCount);
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::uint8_t* header = table.data() + i * kSectionHeaderSize;
    layout.sections.push_back(Section{U32(header + 12), U32(header + 8), U32(header + 16), U32(header + 20)});
  }
  return layout;
}

// The resource tree: every offset in it counts from the start of the root
// directory and must stay inside the file data of the section that holds it.
class ResourceTree {
 public:
  ResourceTree(const ByteSource& file, FileRange range) : file_(file), range_(range) {}

  // The OffsetToData field of the entry chosen in the directory at offset:
  // the entry with the given number, or the first entry when none is given.
  std::optional<std::uint32_t> Entry(std::uint32_t directory, std::optional<std::uint32_t> id) const {
    const auto header = Read<kResourceDirectoryHeaderSize>(directory);
    if (!header) return std::nullopt;
    const std::uint64_t count = std::uint64_t{U16(header->data() + 12)} + U16(header->data() + 14);
    if (count == 0) return std::nullopt;
    const std::uint64_t first = std::uint64_t{directory} + kResourceDirectoryHeaderSize;
    if (!Fits(first, count * kResourceEntrySize)) return std::nullopt;
    if (!id) {
      const auto entry = Read<kResourceEntrySize>(first);
      if (!entry) return std::nullopt;
      return U32(entry->data() + 4);
    }
    // At most 131070 entries of 8 bytes, read in one go.
    std::vector<std::uint8_t> entries(count * kResourceEntrySize);
    if (!file_.Read(range_.offset + first, entries)) return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint8_t* entry = entries.data() + i * kResourceEntrySize;
      const std::uint32_t name = U32(entry);
      if ((name & kNameIsStringFlag) == 0 && name == *id) return U32(entry + 4);
    }
    return std::nullopt;
  }

  template <std::size_t N>
  std::optional<std::array<std::uint8_t, N>> Read(std::uint64_t offset) const {
    if (!Fits(offset, N)) return std::nullopt;
    return ReadFixed<N>(file_, range_.offset + offset);
  }

 private:
  bool Fits(std::uint64_t offset, std::uint64_t size) const {
    return offset <= range_.available && size <= range_.available - offset;
  }

  const ByteSource& file_;
  FileRange range_;
};

bool IsSubdirectory(std::uint32_t offsetToData) { return (offsetToData & kSubdirectoryFlag) != 0; }
std::uint32_t Target(std::uint32_t offsetToData) { return offsetToData & ~kSubdirectoryFlag; }

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadVersionResource(const ByteSource& file) {
  const auto layout = ReadLayout(file);
  if (!layout) return std::nullopt;
  // The system gives no version for a file that ends inside the section of
  // its resources, even where what it needs is still there.
  const auto root = MapRva(layout->sections, layout->resourceRva);
  if (!root || root->sectionEnd > file.Size()) return std::nullopt;
  const ResourceTree tree(file, *root);

  // Three levels, each a subdirectory but the last: type, name, language.
  // Of several languages the first (the lowest number) is taken; the system
  // would take the user's.
  // The depth is fixed, so entries that point back up the tree end the walk
  // at the language level instead of looping.
  const auto type = tree.Entry(0, kVersionResourceType);
  if (!type || !IsSubdirectory(*type)) return std::nullopt;
  const auto name = tree.Entry(Target(*type), kVersionResourceName);
  if (!name || !IsSubdirectory(*name)) return std::nullopt;
  const auto language = tree.Entry(Target(*name), std::nullopt);
  if (!language || IsSubdirectory(*language)) return std::nullopt;

  const auto dataEntry = tree.Read<kResourceDataEntrySize>(*language);
  if (!dataEntry) return std::nullopt;
  const std::uint32_t dataRva = U32(dataEntry->data());
  const std::uint32_t dataSize = std::min(U32(dataEntry->data() + 4), kMaxVersionBlockSize);
  if (dataSize == 0) return std::nullopt;
  const auto data = MapRva(layout->sections, dataRva);
  if (!data || data->available < dataSize || data->sectionEnd > file.Size()) return std::nullopt;
  std::vector<std::uint8_t> bytes(dataSize);
  if (!file.Read(data->offset, bytes)) return std::nullopt;
  return bytes;
}

}  // namespace tarnwick
