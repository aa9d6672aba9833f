// Files and folders: what is on the desk's disk. A file is read whole (up to
// the part bound) and handed to the byte walk, except an mbox, which is
// walked as a stream one message at a time.
#include "desk/inputs/input_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "desk/inputs/input_sniff.h"
#include "desk/inputs/source_names.h"
#include "desk/inputs/walk.h"
#include "platform/posix/descriptor.h"

namespace tarnwick::desk {
namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

struct DirectoryClose {
  void operator()(DIR* directory) const { ::closedir(directory); }
};

std::string SystemReason() { return std::strerror(errno); }

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names in a folder, sorted so that sources come in a stable order.
std::optional<std::vector<std::string>> FolderNames(const std::string& path) {
  const std::unique_ptr<DIR, DirectoryClose> directory(::opendir(path.c_str()));
  if (directory == nullptr) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(directory.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A maildir holds its messages in cur/ and new/ (tmp/ holds messages still
// being delivered).
bool IsMaildir(const std::string& path) { return IsFolder(path + "/cur") && IsFolder(path + "/new"); }

void WalkPath(Walk& walk, const std::string& path, const std::string& source, int depth, Origin origin);

void WalkFolder(Walk& walk, const std::string& path, const std::string& source, int depth) {
  if (walk.TooDeep(source, depth)) return;
  const auto names = FolderNames(path);
  if (!names) return walk.Problem(source, SystemReason());
  const bool maildir = IsMaildir(path);
  for (const std::string& name : *names) {
    const std::string child = JoinSource(path, name);
    const std::string childSource = JoinSource(source, name);
    if (maildir && (name == "cur" || name == "new")) {
      const auto messages = FolderNames(child);
      if (!messages) {
        walk.Problem(childSource, SystemReason());
        continue;
      }
      for (const std::string& message : *messages) {
        WalkPath(walk, JoinSource(child, message), JoinSource(childSource, message), depth + 1, Origin::kMailFile);
      }
    } else if (!(maildir && name == "tmp")) {
      WalkPath(walk, child, childSource, depth + 1, Origin::kFolderFile);
    }
  }
}

void WalkFile(Walk& walk, const Descriptor& file, std::uint64_t size, const std::string& path,
              const std::string& source, int depth, Origin origin) {
  std::string bytes;
  std::vector<char> block(kBlockBytes);
  for (bool first = true;; first = false) {
    const ssize_t read = ::read(file.get(), block.data(), block.size());
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return walk.Problem(source, SystemReason());
    if (read == 0) break;
    bytes.append(block.data(), static_cast<std::size_t>(read));
    // An mbox is walked from its start as a stream, whatever its size.
    if (first && origin != Origin::kMailFile && SniffContent(bytes) == ContentKind::kMbox) {
      if (::lseek(file.get(), 0, SEEK_SET) != 0) return walk.Problem(source, SystemReason());
      return WalkMboxFile(walk, {source, std::nullopt, depth}, file.get());
    }
    if (size > walk.limits.maxPartBytes || bytes.size() > walk.limits.maxPartBytes) {
      return walk.Problem(source, walk.TooLargeReason());
    }
  }
  WalkBytes(walk, {source, std::nullopt, depth},
            {.name = BaseName(path), .data = bytes, .origin = origin, .lineEndsAsWritten = true});
}

void WalkPath(Walk& walk, const std::string& path, const std::string& source, int depth, Origin origin) {
  struct stat status {};
  const bool named = origin == Origin::kNamedFile;
  // Inside a folder a link to a folder is not followed, so the walk never
  // leaves the folder it was given nor runs round a loop; a dangling link is
  // passed over.
  if (!named) {
    if (::lstat(path.c_str(), &status) != 0) return walk.Problem(source, SystemReason());
    if (S_ISLNK(status.st_mode) && (::stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode))) return;
  }
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return walk.Problem(source, SystemReason());
  if (::fstat(file.get(), &status) != 0) return walk.Problem(source, SystemReason());
  if (S_ISDIR(status.st_mode)) return WalkFolder(walk, path, source, depth);
  if (!S_ISREG(status.st_mode)) {
    if (named) walk.Problem(source, "neither a file nor a folder");
    return;
  }
  WalkFile(walk, file, static_cast<std::uint64_t>(status.st_size), path, source, depth, origin);
}

}  // namespace

void WalkInput(const std::string& path, const FoundReportSink& found, const InputProblemSink& problem) {
  WalkInput(path, WalkLimits{}, found, problem);
}

void WalkInput(const std::string& path, const WalkLimits& limits, const FoundReportSink& found,
               const InputProblemSink& problem) {
  Walk walk{.found = found, .problem = problem, .limits = limits};
  WalkPath(walk, path, path, 0, Origin::kNamedFile);
  if (walk.reports == 0 && walk.problems == 0) walk.Problem(path, "holds no report");
}

}  // namespace tarnwick::desk
