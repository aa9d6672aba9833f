#include "platform/linux/tree_walk.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <deque>
#include <vector>

namespace tarnwick {
namespace {

// As the kernel counts: more links than this on one path is a loop.
constexpr int kMostLinks = 40;
// Deeper than this no kernel tree goes; a copy that does holds no fact.
constexpr std::size_t kMostDepth = 255;
// A rename racing a confined walk makes the kernel refuse it (EAGAIN):
// a few tries, then the folder counts as missing.
constexpr int kConfinedTries = 8;

// Set once the kernel has said it has no confined walk.
std::atomic<bool> kernelWalkMissing{false};

std::optional<std::string> LinkText(int folder, const char* name) {
  char buffer[4096];
  const ssize_t length = ::readlinkat(folder, name, buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(length));
}

int OpenFolderByKernel(int root, const std::string& path) {
  open_how how{};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  // /proc's magic links (fd/N, cwd, root) jump anywhere: never taken.
  how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
  for (int tries = 0; tries < kConfinedTries; ++tries) {
    const long descriptor = ::syscall(SYS_openat2, root, path.empty() ? "." : path.c_str(), &how, sizeof how);
    if (descriptor >= 0 || errno != EAGAIN) return static_cast<int>(descriptor);
  }
  return -1;
}

// Pushes the names of a path so that the first comes off the back first.
void PushNames(std::vector<std::string>& pending, std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  pending.insert(pending.end(), names.rbegin(), names.rend());
}

// One name at a time: each is looked at without following it, a link's
// target is walked in its place (from the root when it is absolute), and
// ".." at the root stays there. The folders walked into are kept, so ".."
// goes back to the folder a name was found in.
int OpenFolderByName(int root, std::string_view path) {
  std::vector<std::string> pending;
  PushNames(pending, path);
  std::deque<Descriptor> chain;  // from the root down; empty: the root
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.back());
    pending.pop_back();
    if (name == ".") continue;
    if (name == "..") {
      if (!chain.empty()) chain.pop_back();
      continue;
    }
    const int at = chain.empty() ? root : chain.back().get();
    struct stat status {};
    if (::fstatat(at, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return -1;
    if (S_ISLNK(status.st_mode)) {
      const auto target = LinkText(at, name.c_str());
      if (!target || ++links > kMostLinks) return -1;
      if (target->front() == '/') chain.clear();
      PushNames(pending, *target);
      continue;
    }
    if (!S_ISDIR(status.st_mode) || chain.size() >= kMostDepth) return -1;
    // Not following and folders only: a name swapped meanwhile for a link
    // or anything else fails here instead of leading elsewhere.
    chain.emplace_back(::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (chain.back().get() < 0) return -1;
  }
  return ::fcntl(chain.empty() ? root : chain.back().get(), F_DUPFD_CLOEXEC, 0);
}

}  // namespace

std::pair<std::string_view, std::string_view> SplitLastName(std::string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {std::string_view(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

Descriptor OpenFolderBelow(int root, std::string_view path, PathWalk walk) {
  if (root < 0) return Descriptor(-1);
  const std::string text(path);
  if (walk == PathWalk::kernel && !kernelWalkMissing.load(std::memory_order_relaxed)) {
    const int descriptor = OpenFolderByKernel(root, text);
    // ENOSYS before Linux 5.6; EPERM from a container's system call filter
    // that predates the call (a path-only open is never refused so).
    if (descriptor >= 0 || (errno != ENOSYS && errno != EPERM)) return Descriptor(descriptor);
    kernelWalkMissing.store(true, std::memory_order_relaxed);
  }
  return Descriptor(OpenFolderByName(root, text));
}

std::optional<std::string> ReadIfRegular(int folder, const std::string& name, const struct stat& status,
                                         bool attribute) {
  if (!S_ISREG(status.st_mode)) return std::nullopt;
  // Not following, not waiting, and the same file checked after: a name
  // swapped meanwhile for a link is not followed, another file not read.
  const Descriptor file(::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) return std::nullopt;
  struct stat opened {};
  if (::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != status.st_dev ||
      opened.st_ino != status.st_ino) {
    return std::nullopt;
  }
  // The kernel's files give no true size (4096 or 0): read to the end. An
  // attribute comes whole from one read that asks for more than it holds,
  // as the kernel hands one out and as a copy's regular file gives it.
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kMaxTreeFileSize) return std::nullopt;
    if (attribute && static_cast<std::size_t>(got) < sizeof buffer) break;
  }
  return text;
}

std::optional<std::string> ReadRegularBelow(int root, std::string_view path, bool attribute, PathWalk walk) {
  std::string current(path);
  for (int links = 0; links <= kMostLinks; ++links) {
    const auto [folderPath, name] = SplitLastName(current);
    if (name.empty() || name == "." || name == "..") return std::nullopt;  // a folder
    const Descriptor folder = OpenFolderBelow(root, folderPath, walk);
    if (folder.get() < 0) return std::nullopt;
    const std::string last(name);
    struct stat status {};
    if (::fstatat(folder.get(), last.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    if (!S_ISLNK(status.st_mode)) return ReadIfRegular(folder.get(), last, status, attribute);
    const auto target = LinkText(folder.get(), last.c_str());
    if (!target) return std::nullopt;
    // The target in the link's folder; an absolute one from the root.
    std::string next = target->front() == '/' ? *target : std::string(folderPath).append("/").append(*target);
    current = std::move(next);
  }
  return std::nullopt;
}

std::optional<std::string> LinkTargetBelow(int root, std::string_view path, PathWalk walk) {
  const auto [folderPath, name] = SplitLastName(path);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const Descriptor folder = OpenFolderBelow(root, folderPath, walk);
  if (folder.get() < 0) return std::nullopt;
  return LinkText(folder.get(), std::string(name).c_str());
}

std::optional<std::string> LinkTargetIn(int folder, const std::string& name) {
  return LinkText(folder, name.c_str());
}

}  // namespace tarnwick
