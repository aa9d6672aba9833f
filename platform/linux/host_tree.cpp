#include "platform/linux/host_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/descriptor.h"

namespace tarnwick {
namespace {

class Folder {
 public:
  explicit Folder(const std::string& path) : folder_(::opendir(path.c_str())) {}
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder() {
    if (folder_ != nullptr) ::closedir(folder_);
  }
  DIR* get() const { return folder_; }

 private:
  DIR* folder_;
};

std::string_view LastName(std::string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> NameOf(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  return std::string(name);
}

// The reads below a folder descriptor (AT_FDCWD for a whole host path).
// An attribute comes whole from one read that asks for more than it holds,
// as the kernel hands one out and as a copy's regular file gives it; other
// files (the long lists of /proc) are read until the end is seen.
std::optional<std::string> ReadAt(int folder, const std::string& path, bool attribute) {
  const Descriptor file(::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  // The kernel's files give no true size (4096 or 0): read to the end.
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > HostTree::kMaxFileSize) return std::nullopt;
    if (attribute && static_cast<std::size_t>(got) < sizeof buffer) break;
  }
  return text;
}

std::optional<std::string> AttributeOf(std::optional<std::string> text) {
  if (!text) return std::nullopt;
  const std::size_t end = text->find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return std::string();
  text->resize(end + 1);
  text->erase(0, text->find_first_not_of(" \t"));
  return text;
}

std::optional<std::string> LinkTargetAt(int folder, const std::string& path) {
  char buffer[4096];
  const ssize_t length = ::readlinkat(folder, path.c_str(), buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace

HostTree::HostTree(std::string root) : root_(std::move(root)) {
  while (!root_.empty() && root_.back() == '/') root_.pop_back();
}

std::string HostTree::HostPath(std::string_view relative) const {
  std::string path = root_;
  path += '/';
  path += relative;
  return path;
}

std::optional<std::string> HostTree::ReadFile(std::string_view relative) const {
  return ReadAt(AT_FDCWD, HostPath(relative), false);
}

std::optional<std::string> HostTree::ReadAttribute(std::string_view relative) const {
  return AttributeOf(ReadAt(AT_FDCWD, HostPath(relative), true));
}

std::optional<std::string> HostTree::LinkName(std::string_view relative) const {
  const auto target = LinkTargetAt(AT_FDCWD, HostPath(relative));
  return target ? NameOf(LastName(*target)) : std::nullopt;
}

std::optional<std::string> HostTree::LinkParentName(std::string_view relative) const {
  const auto target = LinkTargetAt(AT_FDCWD, HostPath(relative));
  if (!target) return std::nullopt;
  std::string_view path = *target;
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  return NameOf(LastName(path.substr(0, slash)));
}

std::vector<std::string> HostTree::List(std::string_view relative) const {
  std::vector<std::string> names;
  const Folder folder(HostPath(relative));
  if (folder.get() == nullptr) return names;
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

HostFolder::HostFolder(const HostTree& tree, std::string_view relative)
    : descriptor_(::open(tree.HostPath(relative).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

HostFolder::HostFolder(const HostFolder& parent, std::string_view relative)
    : descriptor_(!parent.descriptor_ ? -1
                                      : ::openat(parent.descriptor_.get(), std::string(relative).c_str(),
                                                 O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

std::optional<std::string> HostFolder::ReadFile(std::string_view relative) const {
  if (!descriptor_) return std::nullopt;
  return ReadAt(descriptor_.get(), std::string(relative), false);
}

std::optional<std::string> HostFolder::ReadAttribute(std::string_view relative) const {
  if (!descriptor_) return std::nullopt;
  return AttributeOf(ReadAt(descriptor_.get(), std::string(relative), true));
}

std::optional<std::string> HostFolder::LinkName(std::string_view relative) const {
  if (!descriptor_) return std::nullopt;
  const auto target = LinkTargetAt(descriptor_.get(), std::string(relative));
  return target ? NameOf(LastName(*target)) : std::nullopt;
}

bool NaturalLess(std::string_view a, std::string_view b) {
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      std::string_view runA = a.substr(i, endA - i);
      std::string_view runB = b.substr(j, endB - j);
      runA.remove_prefix(std::min(runA.find_first_not_of('0'), runA.size()));
      runB.remove_prefix(std::min(runB.find_first_not_of('0'), runB.size()));
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (runA != runB) return runA < runB;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace tarnwick
