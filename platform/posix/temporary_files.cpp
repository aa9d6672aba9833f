#include "platform/posix/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/temporary_names.h"

namespace tarnwick::temporary_files {
namespace {

// Fixed slots, so the handler touches no heap: a slot's name is complete
// before it is marked used, and marked unused before it is changed.
struct Slot {
  std::atomic<bool> used{false};
  char name[PATH_MAX];
};
constexpr int kSlots = 16;  // a run keeps at most a few at a time
Slot slots[kSlots];

void RemoveAndExit(int signal) {
  for (Slot& slot : slots) {
    if (slot.used.load(std::memory_order_acquire)) ::unlink(slot.name);
  }
  ::_exit(128 + signal);
}

}  // namespace

void Remember(const std::string& path) {
  if (path.size() >= PATH_MAX) return;
  for (Slot& slot : slots) {
    if (slot.used.load(std::memory_order_relaxed)) continue;
    std::memcpy(slot.name, path.c_str(), path.size() + 1);
    slot.used.store(true, std::memory_order_release);
    return;
  }
}

void Forget(const std::string& path) {
  for (Slot& slot : slots) {
    if (slot.used.load(std::memory_order_relaxed) && path == slot.name) {
      slot.used.store(false, std::memory_order_release);
      return;
    }
  }
}

void RemoveOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemoveAndExit;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

std::string Suffix(long pid, unsigned long long number) {
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%ld-%llx.tmp", pid, number);
  return suffix;
}

int RemoveLeftovers(const std::string& hostPath) {
  const std::size_t slash = hostPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : hostPath.substr(0, slash));
  const std::string file = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
  if (!listing) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(listing.get())) {
    const long pid = static_cast<long>(TemporaryFileProcess(entry->d_name, file));
    if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
    struct stat info {};
    if (::fstatat(::dirfd(listing.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid()) {
      continue;
    }
    // Only a process that is gone: a run still writing keeps its files.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    if (::unlinkat(::dirfd(listing.get()), entry->d_name, 0) == 0) ++removed;
  }
  return removed;
}

}  // namespace tarnwick::temporary_files
