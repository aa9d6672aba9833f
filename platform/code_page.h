// The ANSI code page of a computer: how its 8-bit texts stand for Unicode
// characters. Windows' registry and wide functions hold Unicode; what the A
// functions return, the report and the list hold 8-bit texts in this code page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr std::uint32_t kWindows1252 = 1252;

class CodePage {
 public:
  virtual ~CodePage() = default;

  virtual std::uint32_t Number() const = 0;

  // The characters of an 8-bit text. A byte the code page does not define
  // (or a lead byte without its trail) becomes U+DC00 + the byte, so that
  // Encode gives the same bytes back.
  virtual std::u32string Decode(std::string_view text) const = 0;

  // The 8-bit text, as Windows' A functions give it: a character the code
  // page lacks becomes '?'; U+DC80..U+DCFF stand for their own byte.
  virtual std::string Encode(std::u32string_view text) const = 0;

  // The 8-bit text in UTF-8 for a terminal or JSON; an undefined byte shows
  // as the C1 control or Latin-1 character of its number, as Windows shows it.
  std::string ToUtf8(std::string_view text) const;
};

// Windows-1252, the code page of Western European Windows: built in, so the
// portable code needs no conversion library for it.
const CodePage& Windows1252();
std::shared_ptr<const CodePage> SharedWindows1252();

// The code page of the number (1250..1258, 874, 932, 936, 949, 950), from
// the platform's conversion service; nothing for another number or when the
// platform cannot convert it.
std::shared_ptr<const CodePage> OpenCodePage(std::uint32_t number);

// True for the numbers OpenCodePage accepts.
bool IsAnsiCodePage(std::uint32_t number);

// Unicode texts and their forms.
std::u32string Utf8ToUnicode(std::string_view utf8);        // a malformed byte becomes U+FFFD
std::u32string Utf16LeToUnicode(std::string_view utf16le);  // two bytes a unit, pairs joined
std::string UnicodeToUtf8(std::u32string_view text);

// Registry names compare by their lower-case forms, as Wine orders subkeys.
char32_t LowerCaseOf(char32_t c);
int CompareUnicodeIgnoreCase(std::u32string_view a, std::u32string_view b);

}  // namespace tarnwick
