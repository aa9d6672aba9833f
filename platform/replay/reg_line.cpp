#include "platform/replay/reg_line.h"

#include "platform/text.h"

namespace tarnwick {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void RegLineCursor::SkipBlanks() {
  while (!AtEnd() && IsBlank(text_[pos_])) ++pos_;
}

bool RegLineCursor::Take(std::string_view prefix) {
  if (!StartsWithIgnoreAsciiCase(Rest(), prefix)) return false;
  pos_ += prefix.size();
  return true;
}

bool RegLineCursor::OnlyCommentLeft() {
  SkipBlanks();
  return AtEnd() || Peek() == ';';
}

void RegLineCursor::ExpectEnd() {
  if (!OnlyCommentLeft()) Fail("unexpected text after the data: '" + std::string(Rest()) + "'");
}

void RegLineCursor::Fail(std::string message) const { throw LineError{line_, std::move(message)}; }

std::string RegLineCursor::QuotedText() {
  Advance();  // the opening quote
  std::string text;
  while (true) {
    if (AtEnd()) Fail("unterminated text");
    const char c = text_[pos_++];
    if (c == '"') return text;
    if (c != '\\') {
      text += c;
      continue;
    }
    if (AtEnd()) Fail("unterminated text");
    const char escaped = text_[pos_++];
    switch (escaped) {
      case '\\':
      case '"': text += escaped; break;
      case 'n': text += '\n'; break;
      case 'r': text += '\r'; break;
      default: Fail(std::string("unknown escape sequence '\\") + escaped + "' in text");
    }
  }
}

std::uint32_t RegLineCursor::HexNumber(std::size_t maxDigits, std::string_view what) {
  std::uint32_t value = 0;
  std::size_t digits = 0;
  while (!AtEnd() && HexDigit(Peek()) >= 0) {
    if (++digits > maxDigits) Fail("too many digits in " + std::string(what));
    value = (value << 4) | static_cast<std::uint32_t>(HexDigit(Peek()));
    Advance();
  }
  if (digits == 0) Fail("expected hexadecimal digits in " + std::string(what));
  return value;
}

bool ReadHexLine(RegLineCursor& cursor, std::vector<std::uint8_t>& bytes) {
  while (true) {
    cursor.SkipBlanks();
    if (cursor.OnlyCommentLeft()) return false;
    if (cursor.Peek() == '\\') {
      cursor.Advance();
      if (!cursor.OnlyCommentLeft()) cursor.Fail("unexpected text after '\\' in hex data");
      return true;
    }
    bytes.push_back(static_cast<std::uint8_t>(cursor.HexNumber(2, "hex data")));
    cursor.SkipBlanks();
    if (cursor.Peek() == ',') {
      cursor.Advance();
    } else if (cursor.Peek() != '\\' && !cursor.OnlyCommentLeft()) {
      cursor.Fail("expected ',' between bytes of hex data");
    }
  }
}

}  // namespace tarnwick
