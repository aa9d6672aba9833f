// The file operations the report needs. Paths are Windows paths ("C:\...");
// each layer decides where they lie.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

// Why a change of a file failed: what was being done, and the system's own
// reason text.
struct FileFailure {
  std::string action;  // "creating /x/SystemInfo.ini.12-ab.tmp"
  std::string reason;  // "Permission denied"
};

class ReportFiles {
 public:
  virtual ~ReportFiles() = default;
  // What stands at the path when a report may not be put there: "a folder",
  // "a named pipe", "a device"... Nothing for a missing file, a regular file
  // or a symbolic link (which is replaced, never followed).
  virtual std::optional<std::string> Obstacle(std::string_view path) {
    (void)path;
    return std::nullopt;
  }
  // Removes the temporary files that runs of this user which no longer
  // exist left beside the path.
  virtual void RemoveLeftovers(std::string_view path) { (void)path; }
  // The reason of the latest failed call, when the layer knows it.
  const std::optional<FileFailure>& LastFailure() const { return lastFailure_; }
  // The whole file, or nothing when it does not exist or cannot be read.
  virtual std::optional<std::string> Read(std::string_view path) = 0;
  // The whole file as Read gives it, in pieces that follow one another, so
  // that a reader can take a large file apart and let each piece go once it
  // is used instead of holding the file twice. Nothing as for Read.
  virtual std::optional<std::vector<std::string>> ReadPieces(std::string_view path) {
    auto whole = Read(path);
    if (!whole) return std::nullopt;
    std::vector<std::string> pieces;
    pieces.push_back(std::move(*whole));
    return pieces;
  }
  // Size in bytes, or nothing when the file does not exist.
  virtual std::optional<std::uint64_t> Size(std::string_view path) = 0;
  // Appends bytes in one write, creating the file when missing.
  virtual bool Append(std::string_view path, std::string_view bytes) = 0;
  // Writes the content beside the file and renames it over the file, so the
  // path holds either the old or the new content, never a mix.
  virtual bool ReplaceAtomically(std::string_view path, std::string_view content) = 0;
  // As ReplaceAtomically, for a file that is about to be replaced again and
  // again: the layer may keep the old content's file beside it, to be
  // overwritten by the next replacement instead of a new file being made,
  // until Settle.
  virtual bool ReplaceAgain(std::string_view path, std::string_view content) {
    return ReplaceAtomically(path, content);
  }
  // As ReplaceAgain, for content given as pieces that follow one another:
  // the writer need not join a large report into one more copy of it.
  virtual bool ReplaceAgainInPieces(std::string_view path, std::span<const std::string_view> pieces) {
    std::string content;
    for (const std::string_view piece : pieces) content.append(piece);
    return ReplaceAgain(path, content);
  }
  // No more changes for now: whatever the layer kept beside the file goes.
  virtual void Settle(std::string_view path) { (void)path; }
  virtual bool Delete(std::string_view path) = 0;
  // Copies the file, replacing the target. Copying a file onto itself
  // (another name for the same file) leaves it untouched and succeeds.
  virtual bool Copy(std::string_view from, std::string_view to) = 0;

 protected:
  // Keeps the reason of a failure; gives false for the caller to return.
  bool Failed(std::string action, std::string reason) {
    lastFailure_ = FileFailure{std::move(action), std::move(reason)};
    return false;
  }

 private:
  std::optional<FileFailure> lastFailure_;
};

}  // namespace tarnwick
