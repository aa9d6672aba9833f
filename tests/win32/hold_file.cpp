// hold_file.exe PATH SECONDS: opens PATH (creating it) with no sharing, as an
// editor that locks a file does, prints "held" and keeps it open for SECONDS.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/win32_handles.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hold_file PATH SECONDS\n");
    return 2;
  }
  const tarnwick::win32::KernelHandle file(
      ::CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    std::fprintf(stderr, "cannot open %s: error %lu\n", argv[1], ::GetLastError());
    return 1;
  }
  DWORD written = 0;
  ::WriteFile(file.Get(), "[Held]\r\nBy=an editor\r\n", 22, &written, nullptr);
  std::printf("held\n");
  std::fflush(stdout);
  ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
  return 0;
}
