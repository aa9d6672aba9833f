// File systems for the report tests: an in-memory ReportFiles whose writes
// can be made to fail, and (on POSIX hosts) a scratch folder that a
// MappedReportFiles maps drive C: onto.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/report_files.h"

#ifdef TARNWICK_POSIX_FILES
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/posix/mapped_files.h"
#endif

namespace tarnwick::testing_files {

// Files keyed by their Windows path exactly as given.
class MemoryReportFiles final : public ReportFiles {
 public:
  std::optional<std::string> Read(std::string_view path) override {
    ++reads;
    if (failRead) return std::nullopt;
    const auto found = files.find(std::string(path));
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  // Cut into pieces of readPiece bytes, when that is set.
  std::optional<std::vector<std::string>> ReadPieces(std::string_view path) override {
    auto whole = Read(path);
    if (!whole) return std::nullopt;
    std::vector<std::string> pieces;
    if (readPiece == 0) pieces.push_back(std::move(*whole));
    for (std::size_t at = 0; readPiece > 0 && at < whole->size(); at += readPiece) {
      pieces.push_back(whole->substr(at, readPiece));
    }
    return pieces;
  }
  std::optional<std::uint64_t> Size(std::string_view path) override {
    const auto found = files.find(std::string(path));
    if (found == files.end()) return std::nullopt;
    return found->second.size();
  }
  bool Append(std::string_view path, std::string_view bytes) override {
    ++appends;
    bytesWritten += bytes.size();
    if (failAppend || locked.contains(std::string(path))) return false;
    files[std::string(path)].append(bytes);
    return true;
  }
  bool ReplaceAtomically(std::string_view path, std::string_view content) override {
    ++replaces;
    bytesWritten += content.size();
    if (failReplace || locked.contains(std::string(path))) return false;
    files[std::string(path)] = std::string(content);
    return true;
  }
  bool Delete(std::string_view path) override {
    if (failDelete || locked.contains(std::string(path))) return false;
    return files.erase(std::string(path)) == 1;
  }
  bool Copy(std::string_view from, std::string_view to) override {
    if (failCopy || locked.contains(std::string(to))) return false;
    const auto found = files.find(std::string(from));
    if (found == files.end()) return false;
    if (from != to) files[std::string(to)] = found->second;
    return true;
  }

  std::map<std::string, std::string> files;
  bool failRead = false;  // a file that is there cannot be read
  std::size_t readPiece = 0;  // 0: read whole
  bool failAppend = false;
  bool failReplace = false;
  bool failDelete = false;
  bool failCopy = false;
  std::set<std::string> locked;  // files that can be neither written nor removed
  int reads = 0;
  int appends = 0;
  int replaces = 0;
  std::uint64_t bytesWritten = 0;  // handed to appends and replacements, failed ones too
};

#ifdef TARNWICK_POSIX_FILES

// A fresh folder below the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-report-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string Host(std::string_view relative) const { return path_ + "/" + std::string(relative); }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  void RemoveAll() const {
    for (const auto& entry : std::filesystem::directory_iterator(path_)) std::filesystem::remove_all(entry.path());
  }

 private:
  std::string path_;
};

inline std::optional<std::string> ReadHost(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteHost(const std::string& hostPath, std::string_view bytes, bool append = false) {
  std::ofstream out(hostPath, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Drive C: mapped onto the scratch folder.
inline MappedReportFiles DriveCFiles(const ScratchFolder& folder) {
  DriveMap drives;
  drives.Map('C', folder.Path());
  return MappedReportFiles(std::move(drives));
}

#endif

}  // namespace tarnwick::testing_files
