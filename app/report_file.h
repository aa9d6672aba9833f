// The report file, written as the Windows private-profile writer would:
//   1. a missing file is created;
//   2. section and key names compare without regard to case;
//   3. an existing key has its value replaced where its line stands;
//   4. a new key of an existing section joins the end of that section;
//   5. a new section (header and entry) is appended at the very end;
//   6. every other line, empty lines included, stays as it was.
// The writer's lines end in CR LF; keys and values are written byte for byte.
//
// The writer sees the file as a reader splits it: a line ends at CR LF, at a
// lone LF or at a lone CR, and keeps its own ending. A line whose first
// non-blank character is '[' and that holds ']' is a section header; a line
// holding '=' is an entry whose key is the text before the first '='. After
// every call the model is the file as written, so a value that carries line
// breaks (an edition name ending in a line feed, a text from the machine
// holding "[Memory]") is seen as the lines it makes, never as one line that
// the next reader of the file splits differently.
//
// Where the section ends: a new key of the file's last section goes at the
// very end, after any empty lines, so the write is a plain append and the
// groups that separators part stay apart. A new key of an earlier section
// goes right after that section's last non-empty line, before the empty lines
// that part it from the next header.
//
// Crash safety: after every call the file on disk holds everything written so
// far. A change at the end of the file is one append; any other change writes
// the new content beside the file and renames it over, so a process killed at
// any instant leaves either the old or the new report. A run changes the file
// inside again and again; the file layer may keep the old content's file for
// the next change until Settle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/report_files.h"

namespace tarnwick {

inline constexpr std::string_view kReportPath = "C:\\SystemInfo.ini";

class ReportFile {
 public:
  explicit ReportFile(ReportFiles& files, std::string path = std::string(kReportPath));

  // Each returns false when the file could not be changed.
  bool WriteEntry(std::string_view section, std::string_view key, std::string_view value);
  // One empty line at the end of the file (CR LF), whatever the last section.
  bool AppendSeparator();
  // The run's changes are done: what the file layer kept beside the file
  // goes.
  void Settle();
  // Deletes the file; false only when it exists and could not be deleted.
  bool Clear();

  const std::string& Path() const { return path_; }

  // One line of the file as a reader splits it.
  struct Line {
    std::string text;        // without its ending
    std::string_view ending;  // "\r\n", "\n", "\r", or empty for an unterminated last line
  };
  struct Block {
    bool hasHeader = false;
    std::string name;  // folded section name
    std::vector<Line> lines;  // header first when hasHeader
    std::unordered_map<std::string, std::size_t> keyLines;  // folded key -> first line holding it
  };

 private:
  // Brings the model in line with the file on disk; false when the file is
  // there but cannot be read.
  bool Sync();
  std::string Serialize() const;
  // Appends bytes at the end of the file and takes them into the model.
  bool Append(std::string bytes);
  // Replaces count lines at line `at` of block `block` by the lines that
  // `bytes` make, then writes the file whole.
  bool Splice(std::size_t block, std::size_t at, std::size_t count, std::string_view bytes);

  ReportFiles& files_;
  std::string path_;
  std::vector<Block> blocks_;  // the first block holds the lines before any header
  // What the model knows of the file on disk; checked before every change so
  // that a file changed behind the writer's back is read again.
  bool modelValid_ = false;
  bool fileExists_ = false;
  std::uint64_t fileSize_ = 0;
};

}  // namespace tarnwick
