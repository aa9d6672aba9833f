#include "app/report_file.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "app/report_lines.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

using Block = ReportFile::Block;

using report_lines::EntryKey;
using report_lines::HeaderName;
using report_lines::IsEmptyLine;
using report_lines::kCr;
using report_lines::kCrLf;

// Line ends are kept as 32-bit offsets within a section: a larger earlier
// report is left alone as one that cannot be read.
constexpr std::uint64_t kLargestFile = std::numeric_limits<std::uint32_t>::max();

// The folded form of every byte, as FoldCase gives it.
const std::array<char, 256>& FoldTable() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> folded{};
    for (std::size_t i = 0; i < folded.size(); ++i) {
      const char c = static_cast<char>(i);
      folded[i] = FoldCase(std::string_view(&c, 1))[0];
    }
    return folded;
  }();
  return table;
}

std::uint64_t KeyHash(std::string_view key) {
  const auto& fold = FoldTable();
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : key) hash = (hash ^ static_cast<unsigned char>(fold[static_cast<unsigned char>(c)])) * 1099511628211ull;
  return hash;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto& fold = FoldTable();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])]) return false;
  }
  return true;
}

// The text as one line of the file: each CR and each LF becomes a blank.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

std::string EntryLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + value.size() + 1 + kCrLf.size());
  line.append(key).append("=").append(value).append(kCrLf);
  return line;
}

std::size_t LineStart(const Block& block, std::size_t line) { return line == 0 ? 0 : block.ends[line - 1]; }

// The key of an indexed line (an entry line of the block).
auto KeyOf(const Block& block) {
  return [&block](std::uint32_t line) { return *EntryKey(block.Text(line)); };
}

void IndexKeys(Block& block) {
  block.keys.Clear();
  block.indexed = true;
  if (!block.hasHeader) return;  // entries before any header belong to no section
  for (std::size_t line = 1; line < block.Lines(); ++line) {
    if (const auto key = EntryKey(block.Text(line))) block.keys.Add(*key, static_cast<std::uint32_t>(line), KeyOf(block));
  }
}

// Adds one line at the end of the blocks: a header starts a new block, an
// entry of a section is indexed by its key (the first line holding a key is
// the one a reader finds and the one replaced).
void AddLine(std::vector<Block>& blocks, std::string_view text, std::string_view ending) {
  if (const auto name = HeaderName(text)) {
    Block block;
    block.hasHeader = true;
    block.name = FoldCase(*name);
    blocks.push_back(std::move(block));
  }
  Block& block = blocks.back();
  block.bytes.append(text).append(ending);
  block.ends.push_back(static_cast<std::uint32_t>(block.bytes.size()));
  const std::size_t line = block.Lines() - 1;
  if (!block.hasHeader || line == 0 || !block.indexed) return;
  if (const auto key = EntryKey(text)) block.keys.Add(*key, static_cast<std::uint32_t>(line), KeyOf(block));
}

void AddLines(std::vector<Block>& blocks, std::string_view bytes) {
  report_lines::ForEachLine(bytes, [&blocks](std::string_view text, std::string_view ending) { AddLine(blocks, text, ending); });
}

// Calls take(text, ending) for each line of the pieces taken as one file. A
// line that the end of a piece cuts (a lone CR there too, which a line feed
// may follow) is carried on into the next piece; only that line is copied.
template <typename Take>
void ForEachLineOfPieces(const std::vector<std::string>& pieces, Take&& take) {
  std::string carried;
  const auto takeCarried = [&] {
    std::string_view text = carried;
    std::string_view ending;
    if (text.ends_with(kCrLf)) {
      ending = kCrLf;
    } else if (text.ends_with('\n')) {
      ending = report_lines::kLf;
    } else if (text.ends_with('\r')) {
      ending = kCr;
    }
    text.remove_suffix(ending.size());
    take(text, ending);
    carried.clear();
  };
  for (const std::string& piece : pieces) {
    std::string_view bytes = piece;
    while (!carried.empty() && !bytes.empty()) {
      if (carried.back() == '\r') {
        if (bytes.front() == '\n') {
          carried.push_back('\n');
          bytes.remove_prefix(1);
        }
        takeCarried();
        break;
      }
      const std::size_t stop = bytes.find_first_of("\r\n");
      const std::size_t taken = stop == std::string_view::npos ? bytes.size() : stop + 1;
      carried.append(bytes.substr(0, taken));
      bytes.remove_prefix(taken);
      if (carried.back() == '\n') takeCarried();
    }
    std::size_t offset = 0;
    report_lines::ForEachLine(bytes, [&](std::string_view text, std::string_view ending) {
      offset += text.size() + ending.size();
      if (offset == bytes.size() && (ending.empty() || ending == kCr)) {
        carried.assign(text).append(ending);
      } else {
        take(text, ending);
      }
    });
  }
  if (!carried.empty()) takeCarried();
}

// The blocks of a file read in pieces: each block's bytes are taken in one
// piece of their exact size and each piece goes once its bytes are taken, so
// that a large earlier report costs its own size and its line ends and keys,
// not twice its size.
void ReadBlocks(std::vector<Block>& blocks, std::vector<std::string>& pieces) {
  std::vector<std::size_t> starts{0};
  std::vector<std::string> names{std::string()};
  std::size_t offset = 0;
  ForEachLineOfPieces(pieces, [&](std::string_view text, std::string_view ending) {
    if (const auto name = HeaderName(text)) {
      starts.push_back(offset);
      names.push_back(FoldCase(*name));
    }
    offset += text.size() + ending.size();
  });
  starts.push_back(offset);
  blocks.clear();
  blocks.resize(names.size());
  std::size_t piece = 0;
  std::size_t used = 0;  // bytes of pieces[piece] taken
  for (std::size_t i = 0; i < names.size(); ++i) {
    Block& block = blocks[i];
    block.hasHeader = i > 0;
    block.indexed = false;  // when the run first looks a key up in it
    block.name = std::move(names[i]);
    std::size_t size = starts[i + 1] - starts[i];
    block.bytes.reserve(size);
    while (size > 0) {
      const std::size_t taken = std::min(size, pieces[piece].size() - used);
      block.bytes.append(pieces[piece], used, taken);
      used += taken;
      size -= taken;
      if (used == pieces[piece].size()) {
        std::string().swap(pieces[piece++]);
        used = 0;
      }
    }
    std::size_t lines = 0;
    report_lines::ForEachLine(block.bytes, [&lines](std::string_view, std::string_view) { ++lines; });
    block.ends.reserve(lines);
    std::size_t end = 0;
    report_lines::ForEachLine(block.bytes, [&](std::string_view text, std::string_view ending) {
      end += text.size() + ending.size();
      block.ends.push_back(static_cast<std::uint32_t>(end));
    });
  }
}

}  // namespace

template <typename KeyOfLine>
std::int64_t ReportFile::KeyIndex::Find(std::string_view key, const KeyOfLine& keyOf) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = KeyHash(key) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t held = slots_[slot];
    if (held == 0) return -1;
    if (SameKey(keyOf(held - 1), key)) return held - 1;
  }
}

template <typename KeyOfLine>
void ReportFile::KeyIndex::Add(std::string_view key, std::uint32_t line, const KeyOfLine& keyOf) {
  if (Find(key, keyOf) >= 0) return;
  if ((count_ + 1) * 2 > slots_.size()) {
    // Half full at most, so a search ends soon at a free slot.
    std::vector<std::uint32_t> old(slots_.empty() ? 16 : slots_.size() * 2, 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint32_t held : old) {
      if (held == 0) continue;
      std::size_t slot = KeyHash(keyOf(held - 1)) & mask;
      while (slots_[slot] != 0) slot = (slot + 1) & mask;
      slots_[slot] = held;
    }
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = KeyHash(key) & mask;
  while (slots_[slot] != 0) slot = (slot + 1) & mask;
  slots_[slot] = line + 1;
  ++count_;
}

std::string_view ReportFile::Block::LineWithEnding(std::size_t line) const {
  const std::size_t start = LineStart(*this, line);
  return std::string_view(bytes).substr(start, ends[line] - start);
}

std::string_view ReportFile::Block::Text(std::size_t line) const {
  std::string_view text = LineWithEnding(line);
  if (text.ends_with('\n')) text.remove_suffix(1);
  if (text.ends_with('\r')) text.remove_suffix(1);
  return text;
}

ReportFile::ReportFile(ReportFiles& files, std::string path) : files_(files), path_(std::move(path)) {}

bool ReportFile::Sync() {
  // Until the waiting changes are written, the file is the writer's own.
  if (Waiting()) return true;
  const auto size = files_.Size(path_);
  if (modelValid_ && size.has_value() == fileExists_ && (!size || *size == fileSize_)) return true;
  blocks_.assign(1, Block());
  fileExists_ = false;
  fileSize_ = modelSize_ = 0;
  modelValid_ = false;
  if (size) {
    // A file that is there but cannot be read is left alone: without its
    // content a change could only duplicate or drop its sections.
    auto pieces = files_.ReadPieces(path_);
    if (!pieces) return false;
    std::uint64_t read = 0;
    for (const std::string& piece : *pieces) read += piece.size();
    if (read > kLargestFile) return false;
    fileExists_ = true;
    fileSize_ = modelSize_ = read;
    ReadBlocks(blocks_, *pieces);
  }
  modelValid_ = true;
  return true;
}

bool ReportFile::Append(std::string bytes) {
  if (wholeWaiting_) {
    // Persist writes the model whole.
  } else if (stepMode_) {
    tail_.append(bytes);
  } else {
    // A failed append leaves the file as it was, and the model with it.
    if (!files_.Append(path_, bytes)) return false;
    fileExists_ = true;
    fileSize_ += bytes.size();
  }
  modelSize_ += bytes.size();
  // The file's last line is split again together with what follows it: an
  // unterminated line is continued, and a lone CR that a line feed now
  // follows is one CR LF.
  Block& last = blocks_.back();
  if (last.Lines() > 0 && !last.LineWithEnding(last.Lines() - 1).ends_with('\n')) {
    const std::size_t line = last.Lines() - 1;
    bytes.insert(0, last.LineWithEnding(line));
    if (last.hasHeader && line == 0) {
      blocks_.pop_back();
    } else {
      last.bytes.resize(LineStart(last, line));
      last.ends.pop_back();
      if (last.indexed) IndexKeys(last);
    }
  }
  AddLines(blocks_, bytes);
  return true;
}

bool ReportFile::Change(std::size_t index, std::size_t at, std::size_t count, const std::string& line) {
  const std::size_t begin = LineStart(blocks_[index], at);
  const std::size_t end = LineStart(blocks_[index], at + count);
  const std::uint64_t newSize = modelSize_ - (end - begin) + line.size();

  // At once while the rewrites stay within the budget; the model changes
  // only when the file did. Past the budget, the rest of the run waits for
  // the ends of its steps.
  if (!stepMode_ && rewritten_ + newSize <= kRewriteBudget * newSize) {
    // Written from the blocks as they stand, never joined into one more
    // copy of the report.
    std::vector<std::string_view> pieces;
    pieces.reserve(blocks_.size() + 2);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      const std::string_view bytes = blocks_[i].bytes;
      if (i != index) {
        pieces.push_back(bytes);
      } else {
        pieces.insert(pieces.end(), {bytes.substr(0, begin), line, bytes.substr(end)});
      }
    }
    rewritten_ += newSize;
    if (!files_.ReplaceAgainInPieces(path_, pieces)) return false;
    fileExists_ = true;
    fileSize_ = newSize;
  } else {
    stepMode_ = true;
    wholeWaiting_ = true;
    tail_.clear();  // written with the whole
  }
  modelSize_ = newSize;

  Block& block = blocks_[index];
  const std::string_view text = std::string_view(line).substr(0, line.size() - kCrLf.size());
  if (HeaderName(text)) {
    // A key that makes the line a header to a reader: the block is split
    // again whole, as a reader would split it.
    std::string content = block.bytes.substr(0, begin);
    content.append(line).append(std::string_view(block.bytes).substr(end));
    std::vector<Block> rebuilt;
    if (!block.hasHeader) rebuilt.emplace_back();
    AddLines(rebuilt, content);
    const auto place = blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(index));
    blocks_.insert(place, std::make_move_iterator(rebuilt.begin()), std::make_move_iterator(rebuilt.end()));
    return true;
  }

  block.bytes.replace(begin, end - begin, line);
  const auto grown = static_cast<std::int64_t>(line.size()) - static_cast<std::int64_t>(end - begin);
  if (count == 0) block.ends.insert(block.ends.begin() + static_cast<std::ptrdiff_t>(at), 0);
  block.ends[at] = static_cast<std::uint32_t>(begin + line.size());
  bool shiftedKeys = false;
  for (std::size_t i = at + 1; i < block.Lines(); ++i) {
    block.ends[i] = static_cast<std::uint32_t>(block.ends[i] + grown);
    shiftedKeys = shiftedKeys || (count == 0 && EntryKey(block.Text(i)));
  }
  // A replaced line keeps its key and number; an inserted line moves only
  // the empty lines after it, unless a caller inserted before entries.
  if (shiftedKeys) {
    IndexKeys(block);
  } else if (count == 0 && block.hasHeader && block.indexed) {
    block.keys.Add(*EntryKey(text), static_cast<std::uint32_t>(at), KeyOf(block));
  }
  return true;
}

bool ReportFile::WriteWhole() {
  std::vector<std::string_view> pieces;
  pieces.reserve(blocks_.size());
  for (const Block& block : blocks_) pieces.push_back(block.bytes);
  rewritten_ += modelSize_;
  if (!files_.ReplaceAgainInPieces(path_, pieces)) return false;
  fileExists_ = true;
  fileSize_ = modelSize_;
  return true;
}

bool ReportFile::WriteEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (!Sync()) return false;
  const std::string sectionText = OneLine(section);
  const std::string keyText = OneLine(key);
  const std::string valueText = OneLine(value);
  const std::string sectionName = FoldCase(sectionText);
  // An unterminated last line is closed first, so no entry is glued to it.
  const Block& lastBlock = blocks_.back();
  const bool lastLineOpen = lastBlock.Lines() > 0 && !lastBlock.LineWithEnding(lastBlock.Lines() - 1).ends_with('\n');
  std::string bytes = lastLineOpen ? std::string(kCrLf) : std::string();

  std::size_t target = 0;
  while (target < blocks_.size() && !(blocks_[target].hasHeader && blocks_[target].name == sectionName)) ++target;
  if (target == blocks_.size()) {
    bytes.append("[").append(sectionText).append("]").append(kCrLf).append(EntryLine(keyText, valueText));
    return Append(std::move(bytes));
  }

  Block& block = blocks_[target];
  if (!block.indexed) IndexKeys(block);
  if (const std::int64_t found = block.keys.Find(keyText, KeyOf(block)); found >= 0) {
    // The key keeps the spelling of its first writing.
    const std::string written(*EntryKey(block.Text(static_cast<std::size_t>(found))));
    return Change(target, static_cast<std::size_t>(found), 1, EntryLine(written, valueText));
  }
  if (target == blocks_.size() - 1) return Append(bytes.append(EntryLine(keyText, valueText)));

  std::size_t insertAt = block.Lines();
  while (insertAt > 1 && IsEmptyLine(block.Text(insertAt - 1))) --insertAt;
  return Change(target, insertAt, 0, EntryLine(keyText, valueText));
}

bool ReportFile::AppendSeparator() {
  if (!Sync()) return false;
  // On an unterminated last line this ends that line, as a text-mode append
  // of one line feed does; otherwise it is one empty line.
  return Append(std::string(kCrLf));
}

bool ReportFile::Persist() {
  if (!tail_.empty()) {
    // Only appends wait: one append of them all.
    if (!files_.Append(path_, tail_)) return false;
    fileExists_ = true;
    fileSize_ += tail_.size();
    tail_.clear();
    return true;
  }
  if (!wholeWaiting_) return true;
  // After a failed whole write the changes wait for Settle: a file that
  // cannot be written is not written whole again at every step.
  if (wholeWriteFailed_ || !WriteWhole()) {
    wholeWriteFailed_ = true;
    return false;
  }
  wholeWaiting_ = false;
  return true;
}

bool ReportFile::Settle() {
  wholeWriteFailed_ = false;
  const bool persisted = Persist();
  files_.Settle(path_);
  return persisted;
}

bool ReportFile::Clear() {
  const bool existed = files_.Size(path_).has_value();
  const bool deleted = files_.Delete(path_);
  modelValid_ = false;
  stepMode_ = false;
  wholeWaiting_ = false;
  tail_.clear();
  wholeWriteFailed_ = false;
  rewritten_ = 0;
  return deleted || !existed;
}

}  // namespace tarnwick
