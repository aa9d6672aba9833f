#include "platform/linux/host_capture.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <ctime>
#include <deque>
#include <memory>
#include <vector>

#include "platform/linux/host_os.h"

namespace tarnwick {
namespace {

// Links followed on one path at most, as the kernel bounds them.
constexpr int kMostLinks = 40;
constexpr std::string_view kFirmware = "lib/firmware/";

struct ArchiveFree {
  void operator()(archive* writer) const { archive_write_free(writer); }
};
struct EntryFree {
  void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

std::deque<std::string> Parts(std::string_view path) {
  std::deque<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
  return path;
}

std::string Reason(archive* writer) {
  const char* text = writer != nullptr ? archive_error_string(writer) : nullptr;
  return text != nullptr ? text : "no reason given";
}

char NodeKind(EntryStatus::Kind kind) { return kind == EntryStatus::Kind::BlockDevice ? 'b' : 'c'; }

std::string OctalMode(std::uint32_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

class Collector {
 public:
  explicit Collector(const HostTree& tree) : tree_(tree) {}

  void Add(std::string_view path) {
    std::deque<std::string> left = Parts(path);
    std::vector<std::string> at;
    int links = 0;
    while (!left.empty()) {
      const std::string part = left.front();
      left.pop_front();
      if (part == "..") {
        if (!at.empty()) at.pop_back();
        continue;
      }
      at.push_back(part);
      const std::string current = Joined(at);
      const auto status = tree_.Status(current);
      if (!status) return;
      const bool last = left.empty();
      if (status->kind == EntryStatus::Kind::Link) {
        // A firmware file is only looked for: an empty stand-in.
        if (last && current.starts_with(kFirmware)) {
          entries_[current] = {};
          return;
        }
        const auto target = tree_.LinkTarget(current);
        if (!target || ++links > kMostLinks) return;
        entries_[current] = {CaptureEntry::Kind::Link, *target};
        at.pop_back();
        if (target->front() == '/') at.clear();
        std::deque<std::string> through = Parts(*target);
        left.insert(left.begin(), through.begin(), through.end());
        continue;
      }
      if (status->kind == EntryStatus::Kind::Folder) {
        entries_.emplace(current, CaptureEntry{CaptureEntry::Kind::Folder, {}});
        if (last) AddListing(current);
        continue;
      }
      if (!last) return;
      if (status->kind == EntryStatus::Kind::CharacterDevice || status->kind == EntryStatus::Kind::BlockDevice) {
        entries_[current] = {CaptureEntry::Kind::File, std::string(1, NodeKind(status->kind)) + " " +
                                                           OctalMode(status->mode) + " " + std::to_string(status->uid) +
                                                           " " + std::to_string(status->gid) + "\n"};
      } else if (status->kind == EntryStatus::Kind::Regular) {
        if (current.starts_with(kFirmware)) {
          entries_[current] = {};
        } else if (const auto text = tree_.ReadFile(current)) {
          entries_[current] = {CaptureEntry::Kind::File, *text};
        }
      }
    }
  }

  CaptureEntries Take() { return std::move(entries_); }

 private:
  // A listed folder's links and folders: what a run lists it for. Files
  // in it go in only when a run reads them.
  void AddListing(const std::string& folder) {
    for (const std::string& name : tree_.List(folder)) {
      const std::string path = folder + "/" + name;
      const auto status = tree_.Status(path);
      if (!status) continue;
      if (status->kind == EntryStatus::Kind::Link) {
        if (const auto target = tree_.LinkTarget(path)) entries_.emplace(path, CaptureEntry{CaptureEntry::Kind::Link, *target});
      } else if (status->kind == EntryStatus::Kind::Folder) {
        entries_.emplace(path, CaptureEntry{CaptureEntry::Kind::Folder, {}});
      }
    }
  }

  const HostTree& tree_;
  CaptureEntries entries_;
};

}  // namespace

CaptureEntries CollectCapture(const HostTree& tree, const std::set<std::string>& read) {
  Collector collector(tree);
  for (const std::string& path : read) collector.Add(path);
  return collector.Take();
}

std::optional<std::string> WriteCaptureArchive(const std::string& path, const CaptureEntries& entries) {
  const std::unique_ptr<archive, ArchiveFree> writer(archive_write_new());
  if (!writer || archive_write_add_filter_gzip(writer.get()) != ARCHIVE_OK ||
      archive_write_set_format_pax_restricted(writer.get()) != ARCHIVE_OK ||
      archive_write_open_filename(writer.get(), path.c_str()) != ARCHIVE_OK) {
    return "cannot write " + path + ": " + Reason(writer.get());
  }
  const std::time_t now = std::time(nullptr);
  for (const auto& [name, entry] : entries) {
    const std::unique_ptr<archive_entry, EntryFree> header(archive_entry_new());
    archive_entry_set_pathname(header.get(), name.c_str());
    archive_entry_set_mtime(header.get(), now, 0);
    switch (entry.kind) {
      case CaptureEntry::Kind::Folder:
        archive_entry_set_filetype(header.get(), AE_IFDIR);
        archive_entry_set_perm(header.get(), 0755);
        break;
      case CaptureEntry::Kind::Link:
        archive_entry_set_filetype(header.get(), AE_IFLNK);
        archive_entry_set_perm(header.get(), 0777);
        archive_entry_set_symlink(header.get(), entry.content.c_str());
        break;
      case CaptureEntry::Kind::File:
        archive_entry_set_filetype(header.get(), AE_IFREG);
        archive_entry_set_perm(header.get(), 0644);
        archive_entry_set_size(header.get(), static_cast<la_int64_t>(entry.content.size()));
        break;
    }
    if (archive_write_header(writer.get(), header.get()) != ARCHIVE_OK ||
        (entry.kind == CaptureEntry::Kind::File && !entry.content.empty() &&
         archive_write_data(writer.get(), entry.content.data(), entry.content.size()) !=
             static_cast<la_ssize_t>(entry.content.size()))) {
      return "cannot write " + path + ": " + Reason(writer.get());
    }
  }
  if (archive_write_close(writer.get()) != ARCHIVE_OK) {
    return "cannot write " + path + ": " + Reason(writer.get());
  }
  return std::nullopt;
}

}  // namespace tarnwick
