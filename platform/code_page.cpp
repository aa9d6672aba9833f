#include "platform/code_page.h"

#include <algorithm>
#include <array>

#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // U+DC00 + byte: a byte without a character

constexpr std::array<std::uint32_t, 14> kAnsiCodePages = {1250, 1251, 1252, 1253, 1254, 1255, 1256,
                                                          1257, 1258, 874,  932,  936,  949,  950};

class Windows1252CodePage final : public CodePage {
 public:
  std::uint32_t Number() const override { return kWindows1252; }
  std::u32string Decode(std::string_view text) const override {
    std::u32string out;
    out.reserve(text.size());
    for (const char c : text) out += Cp1252ToUnicode(static_cast<unsigned char>(c));
    return out;
  }
  std::string Encode(std::u32string_view text) const override {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
      if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
        out += static_cast<char>(c - kEscapeBase);
      } else {
        out += UnicodeToCp1252(c);
      }
    }
    return out;
  }
};

// A range of capital letters whose small forms lie at a fixed distance, or
// (step 2) alternate capital, small, capital, small.
struct CaseRange {
  char32_t first;
  char32_t last;
  char32_t step;
  char32_t offset;
};

constexpr std::array<CaseRange, 14> kCaseRanges = {{
    {0x0041, 0x005A, 1, 0x20},   // Basic Latin
    {0x00C0, 0x00D6, 1, 0x20},   // Latin-1 (without U+00D7, the multiplication sign)
    {0x00D8, 0x00DE, 1, 0x20},
    {0x0100, 0x012E, 2, 1},      // Latin Extended-A
    {0x0132, 0x0136, 2, 1},
    {0x0139, 0x0147, 2, 1},
    {0x014A, 0x0176, 2, 1},
    {0x0179, 0x017D, 2, 1},
    {0x0391, 0x03A1, 1, 0x20},   // Greek (U+03A2 has no capital)
    {0x03A3, 0x03AB, 1, 0x20},
    {0x0400, 0x040F, 1, 0x50},   // Cyrillic
    {0x0410, 0x042F, 1, 0x20},
    {0x0460, 0x04BE, 2, 1},
    {0xFF21, 0xFF3A, 1, 0x20},   // full-width Latin
}};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string CodePage::ToUtf8(std::string_view text) const {
  std::u32string characters = Decode(text);
  for (char32_t& c : characters) {
    if (c >= kEscapeBase && c <= kEscapeBase + 0xFF) c = (c >= kEscapeBase + 0x80) ? c - kEscapeBase : 0xFFFD;
  }
  return UnicodeToUtf8(characters);
}

const CodePage& Windows1252() {
  static const Windows1252CodePage codePage;
  return codePage;
}

std::shared_ptr<const CodePage> SharedWindows1252() {
  return std::shared_ptr<const CodePage>(&Windows1252(), [](const CodePage*) {});
}

bool IsAnsiCodePage(std::uint32_t number) {
  return std::find(kAnsiCodePages.begin(), kAnsiCodePages.end(), number) != kAnsiCodePages.end();
}

std::u32string Utf8ToUnicode(std::string_view utf8) {
  // Surrogates are let through: they stand for the bytes Decode could not
  // read, and UnicodeToUtf8 writes them as three bytes each.
  std::u32string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool whole = length != 0 && pos + length <= utf8.size();
    for (std::size_t i = 1; whole && i < length; ++i) {
      const auto next = static_cast<unsigned char>(utf8[pos + i]);
      whole = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (whole && c >= kMinimum[length] && c <= 0x10FFFF) {
      out += c;
      pos += length;
    } else {
      out += U'\uFFFD';
      ++pos;
    }
  }
  return out;
}

std::u32string Utf16LeToUnicode(std::string_view utf16le) {
  std::u32string out;
  out.reserve(utf16le.size() / 2);
  const auto unitAt = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(utf16le[i]) |
                                 (static_cast<unsigned char>(utf16le[i + 1]) << 8));
  };
  for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
    const char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < utf16le.size()) {
      const char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out += 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
        continue;
      }
    }
    out += unit;
  }
  return out;
}

std::string UnicodeToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t c : text) AppendUtf8(out, c);
  return out;
}

char32_t LowerCaseOf(char32_t c) {
  for (const CaseRange& range : kCaseRanges) {
    if (c < range.first || c > range.last) continue;
    if (range.step == 1) return c + range.offset;
    return ((c - range.first) % 2 == 0) ? c + range.offset : c;
  }
  return c == 0x0178 ? 0x00FF : c;  // Windows-1252's capital Y with diaeresis
}

int CompareUnicodeIgnoreCase(std::u32string_view a, std::u32string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char32_t ca = LowerCaseOf(a[i]);
    const char32_t cb = LowerCaseOf(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace tarnwick
