#include "platform/posix/mapped_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

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

bool AppendHostFile(const std::string& hostPath, std::string_view bytes) {
  const int fd = ::open(hostPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    // A new file is made whole beside the path and renamed onto it: created
    // here, a process killed before its first write would leave it empty. A
    // link (or a named pipe nobody reads) at the path counts as no file, as
    // Size says; the rename replaces it, not what it points to.
    return (errno == ENOENT || errno == ELOOP || errno == ENXIO) && ReplaceHostFile(hostPath, bytes);
  }
  struct stat before {};
  if (::fstat(fd, &before) != 0) {
    ::close(fd);
    return false;
  }
  if (!S_ISREG(before.st_mode)) {
    ::close(fd);
    return ReplaceHostFile(hostPath, bytes);
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
    return ReplaceHostFile(hostPath, *content);
  }
  const bool written = WriteAll(fd, bytes);
  // A write cut short (a full disk) is taken back, so the file never ends in
  // part of what was to be appended.
  if (!written) (void)::ftruncate(fd, before.st_size);
  return (::close(fd) == 0) && written;
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
  return host && AppendHostFile(*host, bytes);
}

bool MappedReportFiles::ReplaceAtomically(std::string_view path, std::string_view content) {
  const auto host = drives_.HostPath(path);
  return host && ReplaceHostFile(*host, content);
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
