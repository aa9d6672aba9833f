// tarnwick-cli.exe's output to a console: the program's 8-bit texts (the
// ANSI code page, or UTF-8 for --json) converted to UTF-16 and written with
// WriteConsoleW, so the console shows them as they are. Redirected output
// gets the bytes unchanged.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace tarnwick::win32 {

// Collects bytes and hands them on as UTF-16 at each flush; a character cut
// between two flushes waits for its remaining bytes.
class WideningBuffer final : public std::streambuf {
 public:
  using Sink = std::function<bool(std::wstring_view)>;
  WideningBuffer(UINT codePage, Sink sink);
  ~WideningBuffer() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* bytes, std::streamsize count) override;
  int sync() override;

 private:
  bool Pass(std::size_t count);

  UINT codePage_;
  Sink sink_;
  std::string pending_;
};

// How many leading bytes form whole characters of the code page.
std::size_t WholeCharacters(std::string_view bytes, UINT codePage);

// One standard stream of the console program: through WriteConsoleW when it
// is a console, else the given byte stream.
class ConsoleStream {
 public:
  ConsoleStream(DWORD standardHandle, UINT codePage, std::ostream& bytes);
  std::ostream& Stream() { return console_ ? *console_ : bytes_; }

 private:
  std::unique_ptr<WideningBuffer> buffer_;
  std::unique_ptr<std::ostream> console_;
  std::ostream& bytes_;
};

}  // namespace tarnwick::win32
