// Zip archives through libarchive. Members are read in blocks and counted as
// they expand, so a zip bomb is refused after at most the allowed bytes.
#include <archive_entry.h>

#include <array>

#include "desk/inputs/library_owners.h"
#include "desk/inputs/source_names.h"
#include "desk/inputs/walk.h"

namespace tarnwick::desk {
namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

std::string ArchiveError(archive* reader) {
  const char* text = archive_error_string(reader);
  return text != nullptr ? std::string(text) : std::string("unknown error");
}

std::string MemberName(archive_entry* entry) {
  const char* name = archive_entry_pathname_utf8(entry);
  if (name == nullptr) name = archive_entry_pathname(entry);
  return name != nullptr ? std::string(name) : std::string();
}

}  // namespace

void WalkZip(Walk& walk, const Place& place, std::string_view bytes) {
  const ArchiveReader reader(archive_read_new());
  archive_read_support_format_zip(reader.get());
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) {
    return walk.Problem(place.source, "not a readable zip: " + ArchiveError(reader.get()));
  }
  const WalkLimits& limits = walk.limits;
  const std::uint64_t allowed = std::min(limits.maxZipExpandedBytes, limits.maxZipRatio * bytes.size());
  std::uint64_t expanded = 0;
  SourceNames names;
  std::array<char, kBlockBytes> block;
  archive_entry* entry = nullptr;
  for (int position = 1;; ++position) {
    const int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) return;
    if (status < ARCHIVE_WARN) return walk.Problem(place.source, "zip unreadable: " + ArchiveError(reader.get()));
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    const std::string name = MemberName(entry);
    const std::string source = JoinSource(place.source, names.Name(name, position));
    if (archive_entry_size_is_set(entry) && static_cast<std::uint64_t>(archive_entry_size(entry)) > limits.maxPartBytes) {
      walk.Problem(source, walk.TooLargeReason());
      continue;
    }
    std::string member;
    for (;;) {
      const la_ssize_t read = archive_read_data(reader.get(), block.data(), block.size());
      if (read < 0) return walk.Problem(source, "zip member unreadable: " + ArchiveError(reader.get()));
      if (read == 0) break;
      expanded += static_cast<std::uint64_t>(read);
      if (expanded > allowed) {
        return walk.Problem(place.source, expanded > limits.maxZipExpandedBytes
                                              ? "expands beyond " + SizeText(limits.maxZipExpandedBytes) + ", not read further"
                                              : "expands more than " + std::to_string(limits.maxZipRatio) +
                                                    " times its size, not read further");
      }
      if (member.size() + static_cast<std::size_t>(read) > limits.maxPartBytes) {
        return walk.Problem(source, walk.TooLargeReason());
      }
      member.append(block.data(), static_cast<std::size_t>(read));
    }
    WalkBytes(walk, {source, place.mail, place.depth + 1},
              {.name = name, .data = member, .origin = Origin::kFolderFile, .lineEndsAsWritten = true});
  }
}

}  // namespace tarnwick::desk
