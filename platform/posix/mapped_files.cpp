#include "platform/posix/mapped_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <utility>

namespace tarnwick {
namespace {

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
std::optional<std::string> ReadHostFile(const std::string& hostPath) {
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return content;
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
  for (const char c : rest) windows += (c == '/') ? '\\' : c;
  return windows;
}

namespace {

// Creates a temporary file beside the path under a name no other file has:
// an unrelated file, or a link planted under a predictable name, is never
// opened. Gives the descriptor and fills in the name, or -1.
int CreateTemporaryBeside(const std::string& hostPath, std::string& temporary) {
  static std::uint64_t counter = 0;
  static const std::uint64_t start = std::random_device{}();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld-%llx.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(start + counter++));
    temporary = hostPath + suffix;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool ReplaceHostFile(const std::string& hostPath, std::string_view content) {
  std::string temporary;
  const int fd = CreateTemporaryBeside(hostPath, temporary);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, content);
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    ::unlink(temporary.c_str());
    return false;
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
    ::unlink(temporary.c_str());
    return true;
  }
#endif
  if (::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

namespace {

// AppendHostFile, with the given way of writing the file whole.
template <typename Replace>
bool AppendOrReplace(const std::string& hostPath, std::string_view bytes, Replace replace) {
  const int fd = ::open(hostPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    // A new file is made whole beside the path and renamed onto it: created
    // here, a process killed before its first write would leave it empty. A
    // link (or a named pipe nobody reads) at the path counts as no file, as
    // Size says; the rename replaces it, not what it points to.
    return (errno == ENOENT || errno == ELOOP || errno == ENXIO) && replace(hostPath, bytes);
  }
  struct stat before {};
  if (::fstat(fd, &before) != 0) {
    ::close(fd);
    return false;
  }
  if (!S_ISREG(before.st_mode)) {
    ::close(fd);
    return replace(hostPath, bytes);
  }
  // The system finishes a write page by page, and a killed process stops
  // between two pages: an append that would cross a page boundary could be
  // left half done. Such an append rewrites the file whole instead.
  static const auto kPage = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const auto size = static_cast<std::uint64_t>(before.st_size);
  if (!bytes.empty() && size / kPage != (size + bytes.size() - 1) / kPage) {
    ::close(fd);
    auto content = ReadHostFile(hostPath);
    if (!content || content->size() != size) return false;
    content->append(bytes);
    return replace(hostPath, *content);
  }
  const bool written = WriteAll(fd, bytes);
  // A write cut short (a full disk) is taken back, so the file never ends in
  // part of what was to be appended.
  if (!written) (void)::ftruncate(fd, before.st_size);
  return (::close(fd) == 0) && written;
}

}  // namespace

bool AppendHostFile(const std::string& hostPath, std::string_view bytes) {
  return AppendOrReplace(hostPath, bytes, ReplaceHostFile);
}

MappedReportFiles::MappedReportFiles(MappedReportFiles&& other) noexcept
    : drives_(std::move(other.drives_)), spares_(std::exchange(other.spares_, {})) {}

MappedReportFiles::~MappedReportFiles() {
  while (!spares_.empty()) RemoveSpare(spares_.begin()->first);
}

bool MappedReportFiles::ReplaceKeepingSpare(const std::string& hostPath, std::string_view content) {
#ifdef RENAME_EXCHANGE
  std::string temporary;
  int fd = -1;
  off_t spareSize = 0;
  if (const auto found = spares_.find(hostPath); found != spares_.end()) {
    // Written into only while it is still the file left there, a regular
    // file of this process's user known under no other name: a file or a
    // link planted under its name is never opened for writing.
    const Spare& spare = found->second;
    fd = ::open(spare.name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 ||
                    info.st_uid != ::geteuid() || info.st_dev != spare.device || info.st_ino != spare.inode)) {
      ::close(fd);
      fd = -1;
    }
    if (fd >= 0) {
      temporary = spare.name;
      spareSize = info.st_size;
    } else {
      RemoveSpare(hostPath);
    }
  }
  const bool reused = fd >= 0;
  if (!reused) fd = CreateTemporaryBeside(hostPath, temporary);
  if (fd < 0) return false;
  // The spare is overwritten from its start and cut where the content ends;
  // never emptied first, which would make ext4 write it to disk at its close.
  bool written = WriteAll(fd, content);
  if (written && spareSize > static_cast<off_t>(content.size())) {
    written = ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
  }
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    spares_.erase(hostPath);
    ::unlink(temporary.c_str());
    return false;
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
  if (::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
#else
  return ReplaceHostFile(hostPath, content);
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
  spares_.erase(found);
}

std::optional<std::string> MappedReportFiles::Read(std::string_view path) {
  const auto host = drives_.HostPath(path);
  if (!host) return std::nullopt;
  return ReadHostFile(*host);
}

std::optional<std::uint64_t> MappedReportFiles::Size(std::string_view path) {
  const auto host = drives_.HostPath(path);
  struct stat info {};
  if (!host || ::lstat(host->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool MappedReportFiles::Append(std::string_view path, std::string_view bytes) {
  const auto host = drives_.HostPath(path);
  if (!host) return false;
  // While a spare is kept, a rewrite goes through it too.
  if (spares_.contains(*host)) {
    return AppendOrReplace(*host, bytes, [this](const std::string& hostPath, std::string_view content) {
      return ReplaceKeepingSpare(hostPath, content);
    });
  }
  return AppendHostFile(*host, bytes);
}

bool MappedReportFiles::ReplaceAtomically(std::string_view path, std::string_view content) {
  const auto host = drives_.HostPath(path);
  return host && ReplaceHostFile(*host, content);
}

bool MappedReportFiles::ReplaceAgain(std::string_view path, std::string_view content) {
  const auto host = drives_.HostPath(path);
  return host && ReplaceKeepingSpare(*host, content);
}

void MappedReportFiles::Settle(std::string_view path) {
  if (const auto host = drives_.HostPath(path)) RemoveSpare(*host);
}

bool MappedReportFiles::Delete(std::string_view path) {
  const auto host = drives_.HostPath(path);
  return host && ::unlink(host->c_str()) == 0;
}

bool MappedReportFiles::Copy(std::string_view from, std::string_view to) {
  const auto source = drives_.HostPath(from);
  const auto target = drives_.HostPath(to);
  if (!source || !target) return false;
  struct stat sourceInfo {};
  struct stat targetInfo {};
  if (::lstat(source->c_str(), &sourceInfo) != 0) return false;
  if (::lstat(target->c_str(), &targetInfo) == 0 && sourceInfo.st_dev == targetInfo.st_dev &&
      sourceInfo.st_ino == targetInfo.st_ino) {
    return true;  // the same file under another name: copying would only destroy it
  }
  const auto content = ReadHostFile(*source);
  return content && ReplaceHostFile(*target, *content);
}

}  // namespace tarnwick
