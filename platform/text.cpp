#include "platform/text.h"

#include <array>

#include "platform/code_page.h"

namespace tarnwick {
namespace {

// Code points of bytes 0x80..0x9F; the rest of Windows-1252 equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t UpperOf(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  switch (c) {
    case 0x0161: return 0x0160;
    case 0x0153: return 0x0152;
    case 0x017E: return 0x017D;
    case 0x00FF: return 0x0178;
    default: return c;
  }
}

char32_t LowerOf(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  switch (c) {
    case 0x0160: return 0x0161;
    case 0x0152: return 0x0153;
    case 0x017D: return 0x017E;
    case 0x0178: return 0x00FF;
    default: return c;
  }
}

// Decodes one UTF-8 sequence at text[pos]; returns false when malformed.
bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& out) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int extra = 0;
  char32_t c = 0;
  if (lead < 0x80) {
    out = lead;
    ++pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    c = lead & 0x07;
  } else {
    return false;
  }
  if (pos + extra >= text.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return false;
    c = (c << 6) | (next & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  pos += extra + 1;
  out = c;
  return true;
}

}  // namespace

char UnicodeToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

char32_t UpperCaseCodePoint(unsigned char byte) { return UpperOf(Cp1252ToUnicode(byte)); }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = UnicodeToCp1252(UpperCaseCodePoint(static_cast<unsigned char>(c)));
  return folded;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char32_t ca = LowerOf(Cp1252ToUnicode(static_cast<unsigned char>(a[i])));
    const char32_t cb = LowerOf(Cp1252ToUnicode(static_cast<unsigned char>(b[i])));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }
}  // namespace

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c = 0;
    if (DecodeUtf8(utf8, pos, c)) {
      out += UnicodeToCp1252(c);
    } else {
      out += '?';
      ++pos;
    }
  }
  return out;
}

std::string Utf16LeToCp1252(std::string_view utf16le) { return Windows1252().Encode(Utf16LeToUnicode(utf16le)); }

std::string Cp1252ToUtf8(std::string_view cp1252) { return UnicodeToUtf8(Windows1252().Decode(cp1252)); }

bool IsValidUtf8(std::string_view utf8) {
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < utf8.size()) {
    if (!DecodeUtf8(utf8, pos, c)) return false;
  }
  return true;
}

std::string_view UpToFirstZero(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace tarnwick
