// The Windows code pages through Windows' own conversions.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/code_page.h"

namespace tarnwick {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

class Win32CodePage final : public CodePage {
 public:
  explicit Win32CodePage(std::uint32_t number) : number_(number) {}
  std::uint32_t Number() const override { return number_; }

  std::u32string Decode(std::string_view text) const override {
    std::u32string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
      // One character at a time, one or two bytes, so a byte the code page
      // lacks can be kept as its escape.
      const bool lead = ::IsDBCSLeadByteEx(number_, static_cast<BYTE>(text[pos])) && pos + 1 < text.size();
      const int length = lead ? 2 : 1;
      wchar_t units[2] = {};
      const int count = ::MultiByteToWideChar(number_, MB_ERR_INVALID_CHARS, text.data() + pos, length, units, 2);
      if (count == 1) {
        out += units[0];
      } else {
        out += kEscapeBase + static_cast<unsigned char>(text[pos]);
        pos += 1;
        continue;
      }
      pos += length;
    }
    return out;
  }

  std::string Encode(std::u32string_view text) const override {
    std::string out;
    for (const char32_t c : text) {
      if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
        out += static_cast<char>(c - kEscapeBase);
        continue;
      }
      if (c > 0xFFFF) {
        out += '?';
        continue;
      }
      const wchar_t unit = static_cast<wchar_t>(c);
      char bytes[4] = {};
      BOOL lacking = FALSE;
      const int count = ::WideCharToMultiByte(number_, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes, "?", &lacking);
      if (count <= 0 || lacking) {
        out += '?';
      } else {
        out.append(bytes, count);
      }
    }
    return out;
  }

 private:
  std::uint32_t number_;
};

}  // namespace

std::shared_ptr<const CodePage> OpenCodePage(std::uint32_t number) {
  if (number == kWindows1252) return SharedWindows1252();
  if (!IsAnsiCodePage(number) || !::IsValidCodePage(number)) return nullptr;
  return std::make_shared<Win32CodePage>(number);
}

}  // namespace tarnwick
