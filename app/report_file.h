// The report file, written as the Windows private-profile writer would:
//   1. a missing file is created;
//   2. section and key names compare without regard to case;
//   3. an existing key has its value replaced where its line stands;
//   4. a new key of an existing section joins the end of that section;
//   5. a new section (header and entry) is appended at the very end;
//   6. every other line, empty lines included, stays as it was.
// The writer's lines end in CR LF. Sections, keys and values are written byte
// for byte, except that a CR or an LF in them is written as one blank: the
// support desk reads the file line by line, and a text read from the
// computer must never add a line, a section or a key to it.
//
// The writer sees the file as a reader splits it: a line ends at CR LF, at a
// lone LF or at a lone CR, and keeps its own ending (an earlier report may
// hold any of them). A line whose first non-blank character is '[' and that
// holds ']' is a section header; a line holding '=' is an entry whose key is
// the text before the first '='. A key that makes its entry line look like a
// header ("[x]=1") is seen as the header a reader sees.
//
// Where the section ends: a new key of the file's last section goes at the
// very end, after any empty lines, so the write is a plain append and the
// groups that separators part stay apart. A new key of an earlier section
// goes right after that section's last non-empty line, before the empty lines
// that part it from the next header.
//
// Crash safety: the file on disk is always the report as it stood after one
// of the calls. A change at the end of the file is one append; any other
// change writes the new content beside the file and renames it over. Each
// call reaches the disk at once while the bytes rewritten so far stay within
// kRewriteBudget times the report's size; past that, for the rest of the
// run, calls change the model only and Persist (the end of a collector step)
// writes them: one append when they only added to the end, else one
// replacement. A run so costs time in proportion to its entries, not to
// their square. While changes wait, the file is the writer's own (one
// instance runs at a time): Persist writes the model over whatever is there.
// Otherwise a file changed behind the writer's back is read again before the
// next change; a write that fails leaves file and model as they were, so an
// earlier report that cannot be removed is read once in a run. The file layer
// may keep the old content's file for the next replacement until Settle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report_files.h"

namespace tarnwick {

inline constexpr std::string_view kReportPath = "C:\\SystemInfo.ini";

class ReportFile {
 public:
  // Whole rewrites made at once while their bytes stay within this many
  // times the report's size.
  static constexpr std::uint64_t kRewriteBudget = 8;

  explicit ReportFile(ReportFiles& files, std::string path = std::string(kReportPath));

  // Each returns false when the file could not be changed; a change that
  // waits for Persist counts as made.
  bool WriteEntry(std::string_view section, std::string_view key, std::string_view value);
  // One empty line at the end of the file (CR LF), whatever the last section.
  bool AppendSeparator();
  // Writes the changes that wait; false when they could not be written (they
  // stay waiting, and only Settle tries again).
  bool Persist();
  // The run's changes are done: they are written, and what the file layer
  // kept beside the file goes. False as Persist.
  bool Settle();
  // Deletes the file; false only when it exists and could not be deleted.
  bool Clear();

  const std::string& Path() const { return path_; }
  // Whether changes wait for Persist.
  bool Waiting() const { return wholeWaiting_ || !tail_.empty(); }

  // Entry lines of one section by folded key: open addressing over the
  // block's line numbers, 4 bytes a slot, so that a large earlier report
  // costs little beyond its own bytes.
  class KeyIndex {
   public:
    // The first line holding the key, or -1.
    template <typename KeyOf>
    std::int64_t Find(std::string_view key, const KeyOf& keyOf) const;
    // Indexes a line's key unless an earlier line holds it.
    template <typename KeyOf>
    void Add(std::string_view key, std::uint32_t line, const KeyOf& keyOf);
    void Clear() { slots_.clear(), count_ = 0; }

   private:
    std::vector<std::uint32_t> slots_;  // line + 1; 0 is a free slot
    std::size_t count_ = 0;
  };

  // One section, or the lines before the first header: its bytes as they
  // stand in the file, and where each of its lines ends in them (after the
  // line's own ending).
  struct Block {
    bool hasHeader = false;
    std::string name;  // folded section name
    std::string bytes;
    std::vector<std::uint32_t> ends;
    KeyIndex keys;
    bool indexed = true;  // an earlier report's sections are indexed when first needed

    std::size_t Lines() const { return ends.size(); }
    std::string_view LineWithEnding(std::size_t line) const;
    std::string_view Text(std::size_t line) const;  // without its ending
  };

 private:
  // Brings the model in line with the file on disk; false when the file is
  // there but cannot be read.
  bool Sync();
  // Appends bytes at the end of the file (or only to the model while changes
  // wait) and takes them into the model.
  bool Append(std::string bytes);
  // Replaces count lines at line `at` of block `block` by one line, then
  // writes the file whole (or leaves that to Persist).
  bool Change(std::size_t block, std::size_t at, std::size_t count, const std::string& line);
  // Writes the model whole; false (and nothing changed) when that fails.
  bool WriteWhole();

  ReportFiles& files_;
  std::string path_;
  std::vector<Block> blocks_;  // the first block holds the lines before any header
  std::uint64_t modelSize_ = 0;
  // What the model knows of the file on disk; checked before every change so
  // that a file changed behind the writer's back is read again.
  bool modelValid_ = false;
  bool fileExists_ = false;
  std::uint64_t fileSize_ = 0;
  // Past the rewrite budget the rest of the run is written at the ends of
  // its steps: the model holds changes the disk does not, either only bytes
  // to append (tail_) or changes inside (the model is written whole).
  bool stepMode_ = false;
  bool wholeWaiting_ = false;
  std::string tail_;
  bool wholeWriteFailed_ = false;  // Persist tries again at Settle
  std::uint64_t rewritten_ = 0;  // bytes of whole rewrites since the run began
};

}  // namespace tarnwick
