#include "app/report_file.h"

#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The section name of a header line "[name]", or nothing for another line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || line[first] != '[') return std::nullopt;
  const std::size_t close = line.find(']', first + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(first + 1, close - first - 1);
}

// The key of an entry line: everything before the first '='.
std::optional<std::string_view> EntryKey(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return line.substr(0, equals);
}

bool IsEmptyLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

std::string EntryLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + value.size() + 1);
  line.append(key).append("=").append(value);
  return line;
}

}  // namespace

ReportFile::ReportFile(ReportFiles& files, std::string path) : files_(files), path_(std::move(path)) {}

bool ReportFile::Sync() {
  const auto size = files_.Size(path_);
  if (modelValid_ && size.has_value() == fileExists_ && (!size || *size == fileSize_)) return true;
  blocks_.clear();
  blocks_.emplace_back();
  lastLineOpen_ = false;
  foreignLineEnds_ = false;
  fileExists_ = false;
  fileSize_ = 0;
  modelValid_ = false;
  if (size) {
    // A file that is there but cannot be read is left alone: without its
    // content a change could only duplicate or drop its sections.
    auto content = files_.Read(path_);
    if (!content) return false;
    fileExists_ = true;
    fileSize_ = content->size();
    Parse(*content);
  }
  modelValid_ = true;
  return true;
}

void ReportFile::Parse(std::string_view content) {
  // Lines end in CR LF; a lone line feed belongs to its line (an edition
  // name can end in one). A file without any CR LF is split at line feeds.
  const bool crlf = content.find(kLineEnd) != std::string_view::npos;
  const std::string_view end = crlf ? kLineEnd : std::string_view("\n");
  // Such a file is written whole with CR LF at its first change: appending
  // CR LF lines to it would leave a file that reads back as other lines.
  foreignLineEnds_ = !crlf && content.find('\n') != std::string_view::npos;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t stop = content.find(end, start);
    if (stop == std::string_view::npos) {
      AddLine(std::string(content.substr(start)));
      lastLineOpen_ = true;
      break;
    }
    AddLine(std::string(content.substr(start, stop - start)));
    start = stop + end.size();
  }
}

void ReportFile::AddLine(std::string line) {
  if (const auto name = HeaderName(line)) {
    Block block;
    block.hasHeader = true;
    block.name = FoldCase(*name);
    block.lines.push_back(std::move(line));
    blocks_.push_back(std::move(block));
    return;
  }
  Block& block = blocks_.back();
  block.lines.push_back(std::move(line));
  IndexLine(block, block.lines.size() - 1);
}

void ReportFile::IndexLine(Block& block, std::size_t index) {
  if (!block.hasHeader) return;  // entries before any header belong to no section
  if (const auto key = EntryKey(block.lines[index])) block.keyLines.emplace(FoldCase(*key), index);
}

std::string ReportFile::Serialize() const {
  std::string content;
  content.reserve(fileSize_ + 256);
  for (const Block& block : blocks_) {
    for (const std::string& line : block.lines) content.append(line).append(kLineEnd);
  }
  return content;
}

bool ReportFile::AppendBytes(const std::string& bytes) {
  if (foreignLineEnds_) return Rewrite();
  if (!files_.Append(path_, bytes)) {
    modelValid_ = false;
    return false;
  }
  fileExists_ = true;
  fileSize_ += bytes.size();
  lastLineOpen_ = false;
  return true;
}

bool ReportFile::Rewrite() {
  const std::string content = Serialize();
  if (!files_.ReplaceAtomically(path_, content)) {
    modelValid_ = false;
    return false;
  }
  fileExists_ = true;
  fileSize_ = content.size();
  lastLineOpen_ = false;
  foreignLineEnds_ = false;
  return true;
}

bool ReportFile::WriteEntry(std::string_view section, std::string_view key, std::string_view value) {
  if (!Sync()) return false;
  const std::string sectionName = FoldCase(section);
  const std::string keyName = FoldCase(key);
  // An unterminated last line is closed first, so no entry is glued to it.
  const std::string lead = lastLineOpen_ ? std::string(kLineEnd) : std::string();

  Block* target = nullptr;
  for (Block& block : blocks_) {
    if (block.hasHeader && block.name == sectionName) {
      target = &block;
      break;
    }
  }

  if (target == nullptr) {
    Block block;
    block.hasHeader = true;
    block.name = sectionName;
    std::string header;
    header.append("[").append(section).append("]");
    block.lines.push_back(std::move(header));
    block.lines.push_back(EntryLine(key, value));
    IndexLine(block, 1);
    std::string bytes = lead;
    bytes.append(block.lines[0]).append(kLineEnd).append(block.lines[1]).append(kLineEnd);
    blocks_.push_back(std::move(block));
    return AppendBytes(bytes);
  }

  if (const auto found = target->keyLines.find(keyName); found != target->keyLines.end()) {
    std::string& line = target->lines[found->second];
    line = EntryLine(*EntryKey(line), value);  // the key keeps the spelling of its first writing
    return Rewrite();
  }

  const bool lastBlock = target == &blocks_.back();
  if (lastBlock) {
    target->lines.push_back(EntryLine(key, value));
    IndexLine(*target, target->lines.size() - 1);
    std::string bytes = lead;
    bytes.append(target->lines.back()).append(kLineEnd);
    return AppendBytes(bytes);
  }

  std::size_t insertAt = target->lines.size();
  while (insertAt > 1 && IsEmptyLine(target->lines[insertAt - 1])) --insertAt;
  // Only empty lines follow the insertion point, so no indexed line moves.
  target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(insertAt), EntryLine(key, value));
  IndexLine(*target, insertAt);
  return Rewrite();
}

bool ReportFile::AppendSeparator() {
  if (!Sync()) return false;
  // A separator on an unterminated last line ends that line, as a text-mode
  // append of one line feed does.
  if (!lastLineOpen_) blocks_.back().lines.emplace_back();
  return AppendBytes(std::string(kLineEnd));
}

bool ReportFile::Clear() {
  const bool existed = files_.Size(path_).has_value();
  const bool deleted = files_.Delete(path_);
  modelValid_ = false;
  return deleted || !existed;
}

}  // namespace tarnwick
