// Bytes this process has handed to write() so far, as the system counts them
// (/proc/self/io; nothing where the system does not count them).
#pragma once

#include <cstdint>
#include <cstdio>

namespace tarnwick::bench {

inline std::uint64_t SystemBytesWritten() {
  FILE* io = std::fopen("/proc/self/io", "r");
  if (io == nullptr) return 0;
  unsigned long long written = 0;
  char line[128];
  while (std::fgets(line, sizeof line, io) != nullptr) {
    if (std::sscanf(line, "wchar: %llu", &written) == 1) break;
  }
  std::fclose(io);
  return written;
}

}  // namespace tarnwick::bench
