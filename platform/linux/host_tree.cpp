#include "platform/linux/host_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace tarnwick {
namespace {

// A folder's listing, from a descriptor it takes over.
class Listing {
 public:
  explicit Listing(int descriptor) : listing_(descriptor < 0 ? nullptr : ::fdopendir(descriptor)) {
    if (listing_ == nullptr && descriptor >= 0) ::close(descriptor);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  ~Listing() {
    if (listing_ != nullptr) ::closedir(listing_);
  }
  DIR* get() const { return listing_; }

 private:
  DIR* listing_;
};

std::string_view LastName(std::string_view path) { return SplitLastName(path).second; }

std::optional<std::string> NameOf(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  return std::string(name);
}

std::optional<std::string> AttributeOf(std::optional<std::string> text) {
  if (!text) return std::nullopt;
  const std::size_t end = text->find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return std::string();
  text->resize(end + 1);
  text->erase(0, text->find_first_not_of(" \t"));
  return text;
}

// A name directly in a folder, which the folder's own descriptor reaches.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

std::string Joined(std::string_view folder, std::string_view name) {
  return std::string(folder).append("/").append(name);
}

}  // namespace

HostTree::HostTree(const std::string& root, PathWalk walk)
    : root_(::open(root.empty() ? "/" : root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)), walk_(walk) {}

std::optional<std::string> HostTree::Read(std::string_view relative, bool attribute) const {
  return ReadRegularBelow(root_.get(), relative, attribute, walk_);
}

std::optional<std::string> HostTree::ReadFile(std::string_view relative) const { return Read(relative, false); }

std::optional<std::string> HostTree::ReadAttribute(std::string_view relative) const {
  return AttributeOf(Read(relative, true));
}

std::optional<std::string> HostTree::LinkName(std::string_view relative) const {
  const auto target = LinkTargetBelow(root_.get(), relative, walk_);
  return target ? NameOf(LastName(*target)) : std::nullopt;
}

std::optional<std::string> HostTree::LinkParentName(std::string_view relative) const {
  const auto target = LinkTargetBelow(root_.get(), relative, walk_);
  if (!target) return std::nullopt;
  return NameOf(LastName(SplitLastName(*target).first));
}

std::vector<std::string> HostTree::List(std::string_view relative) const {
  std::vector<std::string> names;
  const Descriptor folder = OpenFolderBelow(root_.get(), relative, walk_);
  if (folder.get() < 0) return names;
  // The folder itself, now known to be one, opened to be listed.
  const Listing listing(::openat(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (listing.get() == nullptr) return names;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

HostFolder::HostFolder(const HostTree& tree, std::string_view relative)
    : tree_(tree), path_(relative), descriptor_(OpenFolderBelow(tree.root_.get(), relative, tree.walk_)) {}

HostFolder::HostFolder(const HostFolder& parent, std::string_view relative)
    : tree_(parent.tree_),
      path_(Joined(parent.path_, relative)),
      descriptor_(parent.descriptor_.get() < 0 ? Descriptor(-1)
                                               : OpenFolderBelow(tree_.root_.get(), path_, tree_.walk_)) {}

// A plain name that is no link is read through the folder's descriptor; a
// link or a longer path is resolved from the root, by the folder's path.
std::optional<std::string> HostFolder::Read(std::string_view relative, bool attribute) const {
  if (descriptor_.get() < 0) return std::nullopt;
  if (IsPlainName(relative)) {
    const std::string name(relative);
    struct stat status {};
    if (::fstatat(descriptor_.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    if (!S_ISLNK(status.st_mode)) return ReadIfRegular(descriptor_.get(), name, status, attribute);
  }
  return tree_.Read(Joined(path_, relative), attribute);
}

std::optional<std::string> HostFolder::ReadFile(std::string_view relative) const { return Read(relative, false); }

std::optional<std::string> HostFolder::ReadAttribute(std::string_view relative) const {
  return AttributeOf(Read(relative, true));
}

std::optional<std::string> HostFolder::LinkName(std::string_view relative) const {
  if (descriptor_.get() < 0) return std::nullopt;
  const auto target = IsPlainName(relative) ? LinkTargetIn(descriptor_.get(), std::string(relative))
                                            : tree_.LinkName(Joined(path_, relative));
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
