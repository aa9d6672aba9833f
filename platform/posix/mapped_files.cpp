#include "platform/posix/mapped_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "platform/posix/descriptor.h"
#include "platform/posix/temporary_files.h"

namespace tarnwick {
namespace {

std::string Reason(int error = errno) { return std::strerror(error); }

// What stands at a host path when a report may not be put there; nothing for
// a missing file, a regular file or a symbolic link.
std::optional<std::string> ObstacleAt(const std::string& hostPath) {
  struct stat info {};
  if (::lstat(hostPath.c_str(), &info) != 0 || S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) return std::nullopt;
  if (S_ISDIR(info.st_mode)) return "a folder";
  if (S_ISCHR(info.st_mode)) return "a character device";
  if (S_ISBLK(info.st_mode)) return "a block device";
  if (S_ISFIFO(info.st_mode)) return "a named pipe";
  if (S_ISSOCK(info.st_mode)) return "a socket";
  return "neither a file nor a link";
}

char DriveKey(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The report and its copy are never reached through a symbolic link: a link
// planted at their name in a shared folder must not make a run (as root)
// read or write the file it points to. Nor is anything but a plain file
// read: opening a named pipe would wait for a writer without end.
// Gives the descriptor and the file's size, or an invalid one with the
// reason in error.
Descriptor OpenToRead(const std::string& hostPath, off_t& size, std::string& error) {
  if (const auto obstacle = ObstacleAt(hostPath)) {
    error = "it is " + *obstacle;
    return Descriptor();
  }
  Descriptor fd(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0) {
    error = Reason();
    return Descriptor();
  }
  if (!S_ISREG(info.st_mode)) {
    error = "it is not a regular file";
    return Descriptor();
  }
  size = info.st_size;
  return fd;
}

// Reads into bytes until the end of the file or until bytes is full; false
// with the reason in error when a read fails.
bool ReadSome(int fd, std::string& bytes, std::size_t& filled, std::string& error) {
  while (filled < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = Reason();
      return false;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  return true;
}

// The reason of a failure goes to *error when it is given.
std::optional<std::string> ReadHostFile(const std::string& hostPath, std::string* error = nullptr) {
  std::string reason;
  off_t size = 0;
  const Descriptor fd = OpenToRead(hostPath, size, reason);
  std::string content;
  // Room for the whole file at once: grown by doubling, a large report
  // would hold up to half as much again while it is read. A file that grew
  // meanwhile is read on to its end.
  content.resize(static_cast<std::size_t>(std::min<off_t>(size, off_t{1} << 30)) + 1);
  std::size_t filled = 0;
  bool read = fd && ReadSome(fd.get(), content, filled, reason);
  while (read && filled == content.size()) {
    content.resize(content.size() + 65536);
    read = ReadSome(fd.get(), content, filled, reason);
  }
  if (!read) {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  }
  content.resize(filled);
  return content;
}

// As ReadHostFile, in pieces of kReadPiece bytes (the last one shorter).
constexpr std::size_t kReadPiece = std::size_t{1} << 20;

std::optional<std::vector<std::string>> ReadHostPieces(const std::string& hostPath, std::string& error) {
  off_t size = 0;
  const Descriptor fd = OpenToRead(hostPath, size, error);
  if (!fd) return std::nullopt;
  std::vector<std::string> pieces;
  pieces.reserve(static_cast<std::size_t>(size) / kReadPiece + 1);
  while (true) {
    std::string piece(kReadPiece, '\0');
    std::size_t filled = 0;
    if (!ReadSome(fd.get(), piece, filled, error)) return std::nullopt;
    if (filled == 0) break;
    piece.resize(filled);
    pieces.push_back(std::move(piece));
    if (filled < kReadPiece) break;
  }
  return pieces;
}

}  // namespace

void DriveMap::Map(char driveLetter, std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  folders_[DriveKey(driveLetter)] = std::move(folder);
}

std::optional<std::string> DriveMap::HostPath(std::string_view windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  const auto folder = folders_.find(DriveKey(windowsPath[0]));
  if (folder == folders_.end()) return std::nullopt;
  std::string host = folder->second;
  for (const char c : windowsPath.substr(2)) {
    if (c == '/' && hostBackslashes_) {
      host += '\\';
      continue;
    }
    const char separator = (c == '\\') ? '/' : c;
    if (separator == '/' && !host.empty() && host.back() == '/') continue;
    host += separator;
  }
  return host;
}

std::optional<std::string> DriveMap::WindowsPath(std::string_view hostPath) const {
  const std::pair<const char, std::string>* best = nullptr;
  for (const auto& drive : folders_) {
    const std::string& folder = drive.second;
    const bool inside = hostPath.substr(0, folder.size()) == folder &&
                        (hostPath.size() == folder.size() || folder == "/" || hostPath[folder.size()] == '/');
    if (inside && (best == nullptr || folder.size() > best->second.size())) best = &drive;
  }
  if (best == nullptr) return std::nullopt;
  std::string windows{best->first, ':'};
  std::string_view rest = hostPath.substr(best->second == "/" ? 0 : best->second.size());
  if (rest.empty() || rest.front() != '/') windows += '\\';
  for (const char c : rest) {
    if (c == '\\' && hostBackslashes_) {
      windows += '/';
      continue;
    }
    windows += (c == '/') ? '\\' : c;
  }
  return windows;
}

namespace {

// Creates a temporary file beside the path under a name no other file has:
// an unrelated file, or a link planted under a predictable name, is never
// opened. Gives the descriptor and fills in the name; an invalid one with the
// reason in *error. The name is remembered for the signal handlers.
Descriptor CreateTemporaryBeside(const std::string& hostPath, std::string& temporary, std::string& error) {
  static std::uint64_t counter = 0;
  static const std::uint64_t start = std::random_device{}();
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = hostPath + temporary_files::Suffix(static_cast<long>(::getpid()),
                                                   static_cast<unsigned long long>(start + counter++));
    Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (fd) temporary_files::Remember(temporary);
    if (fd || errno != EEXIST) {
      if (!fd) error = Reason();
      return fd;
    }
  }
  error = Reason(EEXIST);
  return Descriptor();
}

void RemoveTemporary(const std::string& temporary) {
  ::unlink(temporary.c_str());
  temporary_files::Forget(temporary);
}

// A failure's action and reason, for the layer to keep.
struct Failure {
  std::string action;
  std::string reason;
};

// As ReplaceHostFile, giving the failure.
std::optional<Failure> ReplaceHostFileWhy(const std::string& hostPath, std::string_view content) {
  if (const auto obstacle = ObstacleAt(hostPath)) return Failure{"replacing " + hostPath, "it is " + *obstacle};
  std::string temporary;
  std::string error;
  Descriptor fd = CreateTemporaryBeside(hostPath, temporary, error);
  if (!fd) return Failure{"creating " + temporary, error};
  const bool written = WriteAll(fd.get(), content);
  const int writeError = errno;
  const bool closed = fd.Close();
  if (!written || !closed) {
    const int reason = written ? errno : writeError;
    RemoveTemporary(temporary);
    return Failure{"writing " + temporary, Reason(reason)};
  }
#ifdef RENAME_EXCHANGE
  // Where the system can swap the two names in one step, it does, and the
  // old content is removed afterwards: either way the path holds the old or
  // the new content. A plain rename over an existing file makes ext4 start
  // writing the new content to disk at once, which made every replacement
  // cost about a millisecond; the swap does not.
  struct stat target {};
  if (::lstat(hostPath.c_str(), &target) == 0 && S_ISREG(target.st_mode) &&
      ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, hostPath.c_str(), RENAME_EXCHANGE) == 0) {
    RemoveTemporary(temporary);
    return std::nullopt;
  }
#endif
  // Nothing but a file or a link is ever renamed over.
  if (const auto obstacle = ObstacleAt(hostPath)) {
    RemoveTemporary(temporary);
    return Failure{"replacing " + hostPath, "it is " + *obstacle};
  }
  if (::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    const std::string reason = Reason();
    RemoveTemporary(temporary);
    return Failure{"renaming " + temporary + " to " + hostPath, reason};
  }
  temporary_files::Forget(temporary);
  return std::nullopt;
}

}  // namespace

bool ReplaceHostFile(const std::string& hostPath, std::string_view content) {
  return !ReplaceHostFileWhy(hostPath, content);
}

namespace {

// AppendHostFile, with the given way of writing the file whole; a failure
// goes to *failure.
template <typename Replace>
bool AppendOrReplace(const std::string& hostPath, std::string_view bytes, Replace replace, Failure& failure) {
  // Nothing but a regular file is opened: a device or a named pipe at the
  // path is refused before anything is done to it.
  if (const auto obstacle = ObstacleAt(hostPath)) {
    failure = {"appending to " + hostPath, "it is " + *obstacle};
    return false;
  }
  Descriptor fd(::open(hostPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (!fd) {
    // A new file is made whole beside the path and renamed onto it: created
    // here, a process killed before its first write would leave it empty. A
    // link at the path counts as no file, as Size says; the rename replaces
    // it, not what it points to.
    if (errno == ENOENT || errno == ELOOP) return replace(hostPath, bytes);
    failure = {"opening " + hostPath, Reason()};
    return false;
  }
  struct stat before {};
  if (::fstat(fd.get(), &before) != 0) {
    failure = {"opening " + hostPath, Reason()};
    return false;
  }
  if (!S_ISREG(before.st_mode)) {
    failure = {"appending to " + hostPath, "it is not a regular file"};
    return false;
  }
  // The system finishes a write page by page, and a killed process stops
  // between two pages: an append that would cross a page boundary could be
  // left half done. Such an append rewrites the file whole instead.
  static const auto kPage = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const auto size = static_cast<std::uint64_t>(before.st_size);
  if (!bytes.empty() && size / kPage != (size + bytes.size() - 1) / kPage) {
    fd.Reset();
    std::string error;
    auto content = ReadHostFile(hostPath, &error);
    if (!content) {
      failure = {"reading " + hostPath, error};
      return false;
    }
    if (content->size() != size) {
      failure = {"reading " + hostPath, "it changed while it was read"};
      return false;
    }
    content->append(bytes);
    return replace(hostPath, *content);
  }
  const bool written = WriteAll(fd.get(), bytes);
  const int writeError = errno;
  // A write cut short (a full disk) is taken back, so the file never ends in
  // part of what was to be appended.
  if (!written) (void)::ftruncate(fd.get(), before.st_size);
  const bool closed = fd.Close();
  if (!written || !closed) {
    failure = {"appending to " + hostPath, Reason(written ? errno : writeError)};
    return false;
  }
  return true;
}

}  // namespace

bool AppendHostFile(const std::string& hostPath, std::string_view bytes) {
  Failure failure;
  return AppendOrReplace(hostPath, bytes, ReplaceHostFile, failure);
}

MappedReportFiles::MappedReportFiles(MappedReportFiles&& other) noexcept
    : drives_(std::move(other.drives_)), spares_(std::exchange(other.spares_, {})) {}

MappedReportFiles::~MappedReportFiles() {
  while (!spares_.empty()) RemoveSpare(spares_.begin()->first);
}

bool MappedReportFiles::ReplaceKeepingSpare(const std::string& hostPath, std::span<const std::string_view> pieces) {
#ifdef RENAME_EXCHANGE
  if (const auto obstacle = ObstacleAt(hostPath)) return Failed("replacing " + hostPath, "it is " + *obstacle);
  std::string temporary;
  Descriptor fd;
  off_t spareSize = 0;
  if (const auto found = spares_.find(hostPath); found != spares_.end()) {
    // Written into only while it is still the file left there, a regular
    // file of this process's user known under no other name: a file or a
    // link planted under its name is never opened for writing.
    const Spare& spare = found->second;
    fd.Reset(::open(spare.name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (fd && (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 ||
               info.st_uid != ::geteuid() || info.st_dev != spare.device || info.st_ino != spare.inode)) {
      fd.Reset();
    }
    if (fd) {
      temporary = spare.name;
      spareSize = info.st_size;
    } else {
      RemoveSpare(hostPath);
    }
  }
  if (!fd) {
    std::string error;
    fd = CreateTemporaryBeside(hostPath, temporary, error);
    if (!fd) return Failed("creating " + temporary, error);
  }
  // The spare is overwritten from its start and cut where the content ends;
  // never emptied first, which would make ext4 write it to disk at its close.
  bool written = true;
  std::size_t size = 0;
  for (const std::string_view piece : pieces) {
    written = written && WriteAll(fd.get(), piece);
    size += piece.size();
  }
  if (written && spareSize > static_cast<off_t>(size)) {
    written = ::ftruncate(fd.get(), static_cast<off_t>(size)) == 0;
  }
  const int writeError = errno;
  const bool closed = fd.Close();
  if (!written || !closed) {
    const std::string reason = Reason(written ? errno : writeError);
    spares_.erase(hostPath);
    RemoveTemporary(temporary);
    return Failed("writing " + temporary, reason);
  }
  struct stat target {};
  if (::lstat(hostPath.c_str(), &target) == 0 && S_ISREG(target.st_mode) &&
      ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, hostPath.c_str(), RENAME_EXCHANGE) == 0) {
    // The old content now stands under the temporary name.
    spares_[hostPath] = {temporary, static_cast<std::uint64_t>(target.st_dev),
                         static_cast<std::uint64_t>(target.st_ino)};
    return true;
  }
  spares_.erase(hostPath);
  if (const auto obstacle = ObstacleAt(hostPath)) {
    RemoveTemporary(temporary);
    return Failed("replacing " + hostPath, "it is " + *obstacle);
  }
  if (::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    const std::string reason = Reason();
    RemoveTemporary(temporary);
    return Failed("renaming " + temporary + " to " + hostPath, reason);
  }
  temporary_files::Forget(temporary);
  return true;
#else
  std::string content;
  for (const std::string_view piece : pieces) content.append(piece);
  return Replace(hostPath, content);
#endif
}

void MappedReportFiles::RemoveSpare(const std::string& hostPath) {
  const auto found = spares_.find(hostPath);
  if (found == spares_.end()) return;
  // Removed only while its name still stands for the file left there, a
  // regular file of this process's user.
  struct stat info {};
  if (::lstat(found->second.name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
      info.st_dev == found->second.device && info.st_ino == found->second.inode) {
    ::unlink(found->second.name.c_str());
  }
  temporary_files::Forget(found->second.name);
  spares_.erase(found);
}

bool MappedReportFiles::Replace(const std::string& hostPath, std::string_view content) {
  const auto failure = ReplaceHostFileWhy(hostPath, content);
  return !failure || Failed(failure->action, failure->reason);
}

std::optional<std::string> MappedReportFiles::Obstacle(std::string_view path) {
  const auto host = drives_.HostPath(path);
  return host ? ObstacleAt(*host) : std::nullopt;
}

void MappedReportFiles::RemoveLeftovers(std::string_view path) {
  if (const auto host = drives_.HostPath(path)) temporary_files::RemoveLeftovers(*host);
}

std::optional<std::string> MappedReportFiles::Read(std::string_view path) {
  const auto host = drives_.HostPath(path);
  if (!host) return std::nullopt;
  std::string error;
  auto content = ReadHostFile(*host, &error);
  if (!content) Failed("reading " + *host, error);
  return content;
}

std::optional<std::vector<std::string>> MappedReportFiles::ReadPieces(std::string_view path) {
  const auto host = drives_.HostPath(path);
  if (!host) return std::nullopt;
  std::string error;
  auto pieces = ReadHostPieces(*host, error);
  if (!pieces) Failed("reading " + *host, error);
  return pieces;
}

std::optional<std::uint64_t> MappedReportFiles::Size(std::string_view path) {
  const auto host = drives_.HostPath(path);
  struct stat info {};
  if (!host || ::lstat(host->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool MappedReportFiles::Append(std::string_view path, std::string_view bytes) {
  const auto host = drives_.HostPath(path);
  if (!host) return Failed("appending to " + std::string(path), "no folder stands for its drive");
  Failure failure;
  // While a spare is kept, a rewrite goes through it too.
  const bool appended =
      spares_.contains(*host)
          ? AppendOrReplace(*host, bytes,
                            [this](const std::string& hostPath, std::string_view content) {
                              return ReplaceKeepingSpare(hostPath, std::span(&content, 1));
                            },
                            failure)
          : AppendOrReplace(*host, bytes,
                            [this](const std::string& hostPath, std::string_view content) {
                              return Replace(hostPath, content);
                            },
                            failure);
  if (!appended && !failure.action.empty()) Failed(failure.action, failure.reason);
  return appended;
}

bool MappedReportFiles::ReplaceAtomically(std::string_view path, std::string_view content) {
  const auto host = drives_.HostPath(path);
  if (!host) return Failed("replacing " + std::string(path), "no folder stands for its drive");
  return Replace(*host, content);
}

bool MappedReportFiles::ReplaceAgain(std::string_view path, std::string_view content) {
  const auto host = drives_.HostPath(path);
  if (!host) return Failed("replacing " + std::string(path), "no folder stands for its drive");
  return ReplaceKeepingSpare(*host, std::span(&content, 1));
}

bool MappedReportFiles::ReplaceAgainInPieces(std::string_view path, std::span<const std::string_view> pieces) {
  const auto host = drives_.HostPath(path);
  if (!host) return Failed("replacing " + std::string(path), "no folder stands for its drive");
  return ReplaceKeepingSpare(*host, pieces);
}

void MappedReportFiles::Settle(std::string_view path) {
  if (const auto host = drives_.HostPath(path)) RemoveSpare(*host);
}

bool MappedReportFiles::Delete(std::string_view path) {
  const auto host = drives_.HostPath(path);
  if (!host) return Failed("removing " + std::string(path), "no folder stands for its drive");
  // Only a file or a link is ever removed: a device node or a folder at the
  // report's path stays as it is.
  if (const auto obstacle = ObstacleAt(*host)) return Failed("removing " + *host, "it is " + *obstacle);
  return ::unlink(host->c_str()) == 0 || Failed("removing " + *host, Reason());
}

bool MappedReportFiles::Copy(std::string_view from, std::string_view to) {
  const auto source = drives_.HostPath(from);
  const auto target = drives_.HostPath(to);
  if (!source || !target) return Failed("copying to " + std::string(to), "no folder stands for its drive");
  struct stat sourceInfo {};
  struct stat targetInfo {};
  if (::lstat(source->c_str(), &sourceInfo) != 0) return Failed("reading " + *source, Reason());
  if (::lstat(target->c_str(), &targetInfo) == 0 && sourceInfo.st_dev == targetInfo.st_dev &&
      sourceInfo.st_ino == targetInfo.st_ino) {
    return true;  // the same file under another name: copying would only destroy it
  }
  const auto content = Read(from);
  return content && Replace(*target, *content);
}

}  // namespace tarnwick
