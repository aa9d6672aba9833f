#include "app/report_file.h"

#include <optional>

#include "app/report_lines.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

using Block = ReportFile::Block;

using report_lines::EntryKey;
using report_lines::HeaderName;
using report_lines::IsEmptyLine;
using report_lines::kCrLf;
using report_lines::kLf;

std::string EntryLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + value.size() + 1 + kCrLf.size());
  line.append(key).append("=").append(value).append(kCrLf);
  return line;
}

// Adds one line at the end of the blocks: a header starts a new block, an
// entry of a section is indexed by its key (the first line holding a key is
// the one a reader finds and the one replaced).
void AddLine(std::vector<Block>& blocks, std::string_view text, std::string_view ending) {
  if (const auto name = HeaderName(text)) {
    Block block;
    block.hasHeader = true;
    block.name = FoldCase(*name);
    block.lines.push_back({std::string(text), ending});
    blocks.push_back(std::move(block));
    return;
  }
  Block& block = blocks.back();
  block.lines.push_back({std::string(text), ending});
  if (!block.hasHeader) return;  // entries before any header belong to no section
  if (const auto key = EntryKey(text)) block.keyLines.emplace(FoldCase(*key), block.lines.size() - 1);
}

void AppendLines(std::string& bytes, const std::vector<ReportFile::Line>& lines, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) bytes.append(lines[i].text).append(lines[i].ending);
}

}  // namespace

ReportFile::ReportFile(ReportFiles& files, std::string path) : files_(files), path_(std::move(path)) {}

bool ReportFile::Sync() {
  const auto size = files_.Size(path_);
  if (modelValid_ && size.has_value() == fileExists_ && (!size || *size == fileSize_)) return true;
  blocks_.clear();
  blocks_.emplace_back();
  fileExists_ = false;
  fileSize_ = 0;
  modelValid_ = false;
  if (size) {
    // A file that is there but cannot be read is left alone: without its
    // content a change could only duplicate or drop its sections.
    const auto content = files_.Read(path_);
    if (!content) return false;
    fileExists_ = true;
    fileSize_ = content->size();
    report_lines::ForEachLine(*content, [this](std::string_view text, std::string_view ending) { AddLine(blocks_, text, ending); });
  }
  modelValid_ = true;
  return true;
}

std::string ReportFile::Serialize() const {
  std::string content;
  content.reserve(fileSize_ + 256);
  for (const Block& block : blocks_) AppendLines(content, block.lines, 0, block.lines.size());
  return content;
}

bool ReportFile::Append(std::string bytes) {
  if (!files_.Append(path_, bytes)) {
    modelValid_ = false;
    return false;
  }
  fileExists_ = true;
  fileSize_ += bytes.size();
  // The file's last line is split again together with what follows it: an
  // unterminated line is continued, and a lone CR that a line feed now
  // follows is one CR LF.
  Block& last = blocks_.back();
  if (!last.lines.empty() && last.lines.back().ending != kCrLf && last.lines.back().ending != kLf) {
    const std::size_t index = last.lines.size() - 1;
    Line line = std::move(last.lines.back());
    if (last.hasHeader && index == 0) {
      blocks_.pop_back();
    } else {
      last.lines.pop_back();
      if (const auto key = EntryKey(line.text)) {
        const auto found = last.keyLines.find(FoldCase(*key));
        if (found != last.keyLines.end() && found->second == index) last.keyLines.erase(found);
      }
    }
    bytes.insert(0, line.text.append(line.ending));
  }
  report_lines::ForEachLine(bytes, [this](std::string_view text, std::string_view ending) { AddLine(blocks_, text, ending); });
  return true;
}

bool ReportFile::Splice(std::size_t block, std::size_t at, std::size_t count, std::string_view bytes) {
  Block& target = blocks_[block];
  const std::string_view text = bytes.substr(0, bytes.size() - kCrLf.size());
  const bool oneLine =
      bytes.ends_with(kCrLf) && text.find_first_of("\r\n") == std::string_view::npos && !HeaderName(text);
  if (oneLine && count == 1) {
    // The usual case, one entry line for another: the same key on the same
    // line, so the index stays as it is.
    target.lines[at] = {std::string(text), kCrLf};
  } else if (oneLine && count == 0) {
    target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(at), {std::string(text), kCrLf});
    for (auto& [key, index] : target.keyLines) {
      if (index >= at) ++index;
    }
    if (const auto key = EntryKey(text)) target.keyLines.emplace(FoldCase(*key), at);
  } else {
    // What is written carries line breaks: the block is split again whole,
    // so headers in it start sections and its lines join the lines around
    // it as a reader would join them.
    std::string content;
    AppendLines(content, target.lines, 0, at);
    content.append(bytes);
    AppendLines(content, target.lines, at + count, target.lines.size());
    std::vector<Block> rebuilt;
    if (!target.hasHeader) rebuilt.emplace_back();
    report_lines::ForEachLine(content, [&rebuilt](std::string_view line, std::string_view ending) { AddLine(rebuilt, line, ending); });
    const auto place = blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(block));
    blocks_.insert(place, std::make_move_iterator(rebuilt.begin()), std::make_move_iterator(rebuilt.end()));
  }

  const std::string whole = Serialize();
  if (!files_.ReplaceAgain(path_, whole)) {
    modelValid_ = false;
    return false;
  }
  fileExists_ = true;
  fileSize_ = whole.size();
  return true;
}

bool ReportFile::WriteEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (!Sync()) return false;
  const std::string sectionName = FoldCase(section);
  // An unterminated last line is closed first, so no entry is glued to it.
  const Block& lastBlock = blocks_.back();
  const bool lastLineOpen = !lastBlock.lines.empty() && lastBlock.lines.back().ending.empty();
  std::string bytes = lastLineOpen ? std::string(kCrLf) : std::string();

  std::size_t target = 0;
  while (target < blocks_.size() && !(blocks_[target].hasHeader && blocks_[target].name == sectionName)) ++target;
  if (target == blocks_.size()) {
    bytes.append("[").append(section).append("]").append(kCrLf).append(EntryLine(key, value));
    return Append(std::move(bytes));
  }

  const Block& block = blocks_[target];
  if (const auto found = block.keyLines.find(FoldCase(key)); found != block.keyLines.end()) {
    // The key keeps the spelling of its first writing.
    const std::string_view written = *EntryKey(block.lines[found->second].text);
    return Splice(target, found->second, 1, EntryLine(written, value));
  }
  if (target == blocks_.size() - 1) return Append(bytes.append(EntryLine(key, value)));

  std::size_t insertAt = block.lines.size();
  while (insertAt > 1 && IsEmptyLine(block.lines[insertAt - 1].text)) --insertAt;
  return Splice(target, insertAt, 0, EntryLine(key, value));
}

bool ReportFile::AppendSeparator() {
  if (!Sync()) return false;
  // On an unterminated last line this ends that line, as a text-mode append
  // of one line feed does; otherwise it is one empty line.
  return Append(std::string(kCrLf));
}

void ReportFile::Settle() { files_.Settle(path_); }

bool ReportFile::Clear() {
  const bool existed = files_.Size(path_).has_value();
  const bool deleted = files_.Delete(path_);
  modelValid_ = false;
  return deleted || !existed;
}

}  // namespace tarnwick
