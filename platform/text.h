// Text helpers for the 8-bit texts the report carries. The system's ANSI code
// page is Windows-1252; names compare without regard to letter case the way
// Windows compares registry and profile names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// The Unicode code point of one Windows-1252 byte (undefined bytes map to
// the C1 control of the same number, as Windows does).
char32_t Cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte of one character; '?' for one it lacks.
char UnicodeToCp1252(char32_t c);

// Upper-case form of one Windows-1252 character, as a Unicode code point.
char32_t UpperCaseCodePoint(unsigned char byte);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The text with every letter in its upper-case form, byte for byte (the code
// page holds the upper-case form of each of its letters): equal folds mean
// names equal without regard to case.
std::string FoldCase(std::string_view text);

// Orders names as Wine enumerates registry subkeys: by the lower-case
// Unicode form of each character, so "_" sorts before the letters.
int CompareIgnoreCase(std::string_view a, std::string_view b);

// True when text begins with prefix, letters compared without regard to
// ASCII case; a text shorter than the prefix never matches.
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Conversions into the 8-bit code page; a character it lacks becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);
std::string Utf16LeToCp1252(std::string_view utf16le);  // two bytes per unit
std::string Cp1252ToUtf8(std::string_view cp1252);

// The text up to its first zero byte, as a zero-terminated platform record
// holds it.
std::string_view UpToFirstZero(std::string_view text);

// True when the bytes form well-formed UTF-8 (JSON texts must).
bool IsValidUtf8(std::string_view utf8);

}  // namespace tarnwick
