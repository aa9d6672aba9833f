// console_probe.exe: runs a console program in a console of its own and
// looks for a text on the console's screen afterwards, as a customer would
// read it.
//   console_probe TEXT COMMAND_LINE
// TEXT, in the ANSI code page like every argument, stands for the characters
// the console must show. Exit status 0 when the screen holds them, 1 when
// not (the screen's lines are printed, in UTF-8), 2 for a probe that could
// not run.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring FromAnsi(const char* text) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  if (size > 0) ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string ToUtf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  bytes.resize(bytes.size() - 1);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: console_probe TEXT COMMAND_LINE\n");
    return 2;
  }
  ::FreeConsole();
  if (!::AllocConsole()) {
    std::fprintf(stderr, "console_probe: no console (error %lu)\n", ::GetLastError());
    return 2;
  }
  // A Windows console reads bytes in the OEM code page, not the ANSI one
  // (Wine's own console takes the ANSI one).
  ::SetConsoleOutputCP(::GetOEMCP());
  // The program's standard output and error are the console's screen.
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const HANDLE screen = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherited, OPEN_EXISTING, 0, nullptr);
  if (screen == INVALID_HANDLE_VALUE) return 2;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = screen;
  startup.hStdError = screen;
  PROCESS_INFORMATION process{};
  std::string command = argv[2];
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "console_probe: cannot start %s (error %lu)\n", argv[2], ::GetLastError());
    return 2;
  }
  const bool ended = ::WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0;
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  if (!ended) {
    std::fprintf(stderr, "console_probe: the program still runs after 180 s\n");
    return 2;
  }

  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(screen, &info)) return 2;
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  std::wstring shown(cells, L' ');
  DWORD read = 0;
  if (!::ReadConsoleOutputCharacterW(screen, shown.data(), cells, COORD{0, 0}, &read)) return 2;
  shown.resize(read);
  if (shown.find(FromAnsi(argv[1])) != std::wstring::npos) return 0;
  // The lines that hold anything, for the test's log.
  for (DWORD row = 0; row < static_cast<DWORD>(info.dwSize.Y) && row * info.dwSize.X < read; ++row) {
    std::wstring line = shown.substr(row * info.dwSize.X, info.dwSize.X);
    line.erase(line.find_last_not_of(L' ') + 1);
    if (!line.empty()) std::fprintf(stderr, "%s\n", ToUtf8(line).c_str());
  }
  return 1;
}
