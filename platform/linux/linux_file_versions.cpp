#include "platform/linux/linux_file_versions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/pe/byte_source.h"
#include "platform/pe/version_info.h"
#include "platform/posix/descriptor.h"

namespace tarnwick {
namespace {

// An open regular file, read piece by piece. Its size is taken once; a file
// cut short meanwhile makes the reads that go past its new end fail.
class FileSource final : public ByteSource {
 public:
  FileSource(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    if (offset > size_ || out.size() > size_ - offset) return false;
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t got = ::pread(descriptor_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += static_cast<std::size_t>(got);
    }
    return true;
  }

 private:
  int descriptor_;
  std::uint64_t size_;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::optional<std::string> LinuxFileVersions::HostPath(std::string_view path) const {
  // "\\server\share" names a network share, which this host has none of.
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;
  if (!path.empty() && IsSeparator(path[0])) return drives_.HostPath(std::string{currentDrive_, ':'}.append(path));
  return drives_.HostPath(path);
}

std::unique_ptr<VersionBlock> LinuxFileVersions::LoadVersionBlock(std::string_view path) {
  const auto host = HostPath(path);
  if (!host) return nullptr;
  // Not blocking: a named pipe in the way must not stall the run; it is
  // refused below as no regular file.
  const Descriptor file(::open(host->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) return nullptr;
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > kMaxVersionedFileSize) return nullptr;
  return LoadPeVersionBlock(FileSource(file.get(), size));
}

std::optional<LocalTime> LinuxFileVersions::LastWriteTime(std::string_view path) {
  const auto host = HostPath(path);
  if (!host) return std::nullopt;
  struct stat status {};
  if (::stat(host->c_str(), &status) != 0) return std::nullopt;
  const std::time_t written = status.st_mtime;
  std::tm local{};
  if (::localtime_r(&written, &local) == nullptr) return std::nullopt;
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace tarnwick
