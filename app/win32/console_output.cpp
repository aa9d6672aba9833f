#include "app/win32/console_output.h"

#include <algorithm>
#include <vector>

namespace tarnwick::win32 {
namespace {

// The bytes of a UTF-8 sequence its first byte announces; 1 for anything
// else, which the conversion then replaces.
std::size_t Utf8Length(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

bool WriteToConsole(HANDLE console, std::wstring_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
    if (!::WriteConsoleW(console, text.data(), chunk, &written, nullptr) || written == 0) return false;
    text.remove_prefix(written);
  }
  return true;
}

}  // namespace

std::size_t WholeCharacters(std::string_view bytes, UINT codePage) {
  std::size_t index = 0;
  while (index < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[index]);
    std::size_t length = 1;
    if (codePage == CP_UTF8) {
      length = Utf8Length(lead);
    } else if (::IsDBCSLeadByteEx(codePage, lead)) {
      length = 2;
    }
    if (index + length > bytes.size()) break;
    index += length;
  }
  return index;
}

WideningBuffer::WideningBuffer(UINT codePage, Sink sink)
    : codePage_(codePage == CP_ACP ? ::GetACP() : codePage), sink_(std::move(sink)) {}

WideningBuffer::~WideningBuffer() { Pass(pending_.size()); }

WideningBuffer::int_type WideningBuffer::overflow(int_type c) {
  if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
  return traits_type::not_eof(c);
}

std::streamsize WideningBuffer::xsputn(const char* bytes, std::streamsize count) {
  pending_.append(bytes, static_cast<std::size_t>(count));
  return count;
}

int WideningBuffer::sync() { return Pass(WholeCharacters(pending_, codePage_)) ? 0 : -1; }

bool WideningBuffer::Pass(std::size_t count) {
  if (count == 0) return true;
  const int size = static_cast<int>(count);
  const int wideSize = ::MultiByteToWideChar(codePage_, 0, pending_.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideSize > 0 ? wideSize : 0), L'\0');
  if (wideSize > 0) ::MultiByteToWideChar(codePage_, 0, pending_.data(), size, wide.data(), wideSize);
  pending_.erase(0, count);
  return sink_(wide);
}

ConsoleStream::ConsoleStream(DWORD standardHandle, UINT codePage, std::ostream& bytes) : bytes_(bytes) {
  const HANDLE handle = ::GetStdHandle(standardHandle);
  DWORD mode = 0;
  // A handle that is a file or a pipe has no console mode.
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) return;
  buffer_ = std::make_unique<WideningBuffer>(codePage, [handle](std::wstring_view text) {
    return WriteToConsole(handle, text);
  });
  console_ = std::make_unique<std::ostream>(buffer_.get());
}

}  // namespace tarnwick::win32
