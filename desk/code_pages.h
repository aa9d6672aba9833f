// Windows locales and their ANSI code pages, and the decoding of 8-bit texts
// of a code page into UTF-8.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "desk/owned.h"

namespace tarnwick::desk {

struct LocaleRow {
  unsigned lcid;
  int codePage;
  const char* language;  // ISO 639-1
};

// Every locale the desk knows, by LCID.
std::span<const LocaleRow> Locales();

// The locale of a "Locale" value ("00000419", hexadecimal, any case).
const LocaleRow* FindLocale(std::string_view localeText);

// Decodes 8-bit texts of Windows code pages into UTF-8. A byte sequence the
// code page does not define becomes U+FFFD; nothing is dropped silently.
class CodePageDecoder {
 public:
  CodePageDecoder() = default;
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  // False when iconv knows no such code page.
  bool Supports(int codePage);
  std::string Decode(int codePage, std::string_view bytes);

 private:
  iconv_t Find(int codePage);
  std::map<int, Converter> converters_;
};

}  // namespace tarnwick::desk
