// The pieces of one line of a regedit export: quoted texts with their
// escapes, hexadecimal numbers and byte lists, blanks and trailing comments.
// Every reader throws LineError (with the cursor's line) on malformed text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/replay/load_error.h"

namespace tarnwick {

class RegLineCursor {
 public:
  RegLineCursor(std::string_view text, std::size_t lineNumber) : text_(text), line_(lineNumber) {}

  void SkipBlanks();
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Advance(std::size_t count = 1) { pos_ += count; }
  std::string_view Rest() const { return text_.substr(pos_ < text_.size() ? pos_ : text_.size()); }
  // Consumes the prefix, compared without regard to ASCII case, when present.
  bool Take(std::string_view prefix);
  // Only blanks, or blanks and a ';' comment, remain.
  bool OnlyCommentLeft();
  void ExpectEnd();

  // A text in double quotes, the cursor on the opening quote. Escapes: \\,
  // \", and \n and \r as Wine's regedit writes line breaks.
  std::string QuotedText();
  // One to maxDigits hexadecimal digits.
  std::uint32_t HexNumber(std::size_t maxDigits, std::string_view what);

  [[noreturn]] void Fail(std::string message) const;
  std::size_t Line() const { return line_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_;
};

// Reads the comma-separated bytes of one line of hex data into bytes;
// returns true when the line ends in '\' (the data goes on).
bool ReadHexLine(RegLineCursor& cursor, std::vector<std::uint8_t>& bytes);

}  // namespace tarnwick
