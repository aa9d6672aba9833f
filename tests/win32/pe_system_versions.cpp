// The portable PE version reader against the system's own version functions:
// every program and library in the system folder, and the files named on the
// command line with copies of them cut short or with their keys in capitals,
// must give the same answer both ways: no version, or the same four parts
// from the same fixed record, with a translation table.
// Files that are no PE images (16-bit programs) are outside the reader: they
// are listed and must give no version from it, whatever the system says.
// The table's content is not compared: where a file has its version resource
// in several languages the system takes the user's, the reader the first.
//   pe_system_versions [FILE...]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/pe/byte_source.h"
#include "platform/pe/version_info.h"

namespace {

using tarnwick::VersionParts;
using Bytes = std::vector<std::uint8_t>;

// What a file's version resource gives under the version rules: the parts,
// and the bytes they were taken from.
struct Answer {
  VersionParts parts{};
  Bytes fixed;
  Bytes translation;
};

VersionParts PartsOf(const Bytes& fixed) {
  std::uint32_t most = 0;
  std::uint32_t least = 0;
  std::memcpy(&most, fixed.data() + 8, 4);
  std::memcpy(&least, fixed.data() + 12, 4);
  return VersionParts{static_cast<std::uint16_t>(most >> 16), static_cast<std::uint16_t>(most),
                      static_cast<std::uint16_t>(least >> 16), static_cast<std::uint16_t>(least)};
}

std::optional<Answer> SystemAnswer(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  Bytes data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return std::nullopt;
  void* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueA(data.data(), "\\", &fixed, &fixedSize) || fixed == nullptr) return std::nullopt;
  if (fixedSize < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
  Answer answer;
  answer.fixed.assign(static_cast<const std::uint8_t*>(fixed), static_cast<const std::uint8_t*>(fixed) + fixedSize);
  if (static_cast<const VS_FIXEDFILEINFO*>(fixed)->dwSignature != tarnwick::kFixedFileInfoSignature) {
    return std::nullopt;
  }
  void* table = nullptr;
  UINT tableSize = 0;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &table, &tableSize) || table == nullptr) {
    return std::nullopt;
  }
  answer.translation.assign(static_cast<const std::uint8_t*>(table),
                            static_cast<const std::uint8_t*>(table) + tableSize);
  answer.parts = PartsOf(answer.fixed);
  return answer;
}

std::optional<Answer> PortableAnswer(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto block = tarnwick::LoadPeVersionBlock(tarnwick::MemorySource(std::span<const std::uint8_t>(file)));
  if (!block) return std::nullopt;
  const auto parts = tarnwick::FileVersionOf(*block);
  if (!parts) return std::nullopt;
  const auto fixed = block->Query("\\");
  const auto table = block->Query("\\VarFileInfo\\Translation");
  return Answer{*parts, Bytes(fixed->begin(), fixed->end()), Bytes(table->begin(), table->end())};
}

std::string Show(const std::optional<Answer>& answer) {
  if (!answer) return "no version";
  std::string text;
  for (std::size_t i = 0; i < 4; ++i) {
    if (i > 0) text.append(".");
    text.append(std::to_string(answer->parts[i]));
  }
  text.append(" (record of ").append(std::to_string(answer->fixed.size()));
  text.append(" bytes, translation table of ").append(std::to_string(answer->translation.size()));
  text.append(" bytes)");
  return text;
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text.append(digits);
  }
  return text;
}

bool Same(const std::optional<Answer>& a, const std::optional<Answer>& b) {
  if (!a || !b) return !a && !b;
  return a->parts == b->parts && a->fixed == b->fixed && !a->translation.empty() && !b->translation.empty();
}

// A file whose new header is no "PE\0\0" one: a 16-bit (NE) program or no
// program at all.
bool IsPeImage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char dos[64] = {};
  if (!in.read(dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  std::uint32_t offset = 0;
  std::memcpy(&offset, dos + 0x3C, 4);
  char signature[4] = {};
  return in.seekg(offset).read(signature, 4) && std::memcmp(signature, "PE\0\0", 4) == 0;
}

bool IsProgramFile(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  for (char& ch : extension) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return extension == ".dll" || extension == ".exe";
}

std::vector<std::string> SystemFiles() {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  std::vector<std::string> files;
  if (length == 0 || length >= MAX_PATH) return files;
  const std::string base(folder);
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA((base + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsProgramFile(found.cFileName)) {
      std::string path = base;
      path.append("\\").append(found.cFileName);
      files.push_back(path);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return files;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Copies of the given files, changed, in the temporary folder.
class Copies {
 public:
  ~Copies() {
    for (const std::string& path : paths_) DeleteFileA(path.c_str());
  }
  std::optional<std::string> Write(const std::string& content) {
    char folder[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0) return std::nullopt;
    std::string path(folder);
    path.append("pe_copy_").append(std::to_string(paths_.size())).append(".exe");
    std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
    paths_.push_back(path);
    return path;
  }

 private:
  std::vector<std::string> paths_;
};

// The file with every UTF-16 "VarFileInfo" and "Translation" key in
// capitals; nothing when it has no such key.
std::optional<std::string> CapitalKeys(std::string file) {
  bool changed = false;
  for (const char* key : {"VarFileInfo", "Translation"}) {
    std::string wide;
    for (const char* at = key; *at != '\0'; ++at) wide.append({*at, '\0'});
    wide.append(2, '\0');
    for (std::size_t found = file.find(wide); found != std::string::npos; found = file.find(wide, found + 1)) {
      for (std::size_t i = 0; i + 2 < wide.size(); i += 2) {
        char& ch = file[found + i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
      }
      changed = true;
    }
  }
  if (!changed) return std::nullopt;
  return file;
}

// The file and copies of it: with capital keys, and cut short at sixteen
// places, so the two readers meet the same damage.
void AddWithCopies(const std::string& path, Copies& copies, std::vector<std::string>& files) {
  files.push_back(path);
  const std::string file = ReadWhole(path);
  if (const auto capitals = CapitalKeys(file)) {
    if (const auto copy = copies.Write(*capitals)) files.push_back(*copy);
  }
  for (std::size_t part = 1; part <= 16; ++part) {
    const std::size_t size = part < 16 ? file.size() * part / 16 : file.size() - 1;
    if (const auto copy = copies.Write(file.substr(0, size))) files.push_back(*copy);
  }
}

// Host paths given by the build ("/a/b") through Wine's drive Z:.
std::string WindowsPath(std::string path) {
  if (path.empty() || path[0] != '/') return path;
  for (char& ch : path) {
    if (ch == '/') ch = '\\';
  }
  return "Z:" + path;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files = SystemFiles();
  const std::size_t systemFiles = files.size();
  Copies copies;
  for (int i = 1; i < argc; ++i) AddWithCopies(WindowsPath(argv[i]), copies, files);

  std::size_t versions = 0;
  std::size_t disagreements = 0;
  std::size_t otherImages = 0;
  for (const std::string& path : files) {
    const auto system = SystemAnswer(path);
    const auto portable = PortableAnswer(path);
    if (!IsPeImage(path)) {
      ++otherImages;
      std::printf("not compared, no PE image: %s (system: %s)\n", path.c_str(), Show(system).c_str());
      if (portable) {
        ++disagreements;
        std::printf("DIFFERENT %s\n  portable: %s for a file that is no PE image\n", path.c_str(),
                    Show(portable).c_str());
      }
      continue;
    }
    if (system) ++versions;
    if (!Same(system, portable)) {
      ++disagreements;
      std::printf("DIFFERENT %s\n  system:   %s\n  portable: %s\n", path.c_str(), Show(system).c_str(),
                  Show(portable).c_str());
      for (const auto* answer : {&system, &portable}) {
        if (*answer) {
          std::printf("    record %s\n    table  %s\n", Hex((*answer)->fixed).c_str(),
                      Hex((*answer)->translation).c_str());
        }
      }
    }
  }
  std::printf("compared %u files (%u in the system folder, %u more left out as no PE images), "
              "%u with a version, %u different\n",
              static_cast<unsigned>(files.size() - otherImages), static_cast<unsigned>(systemFiles),
              static_cast<unsigned>(otherImages), static_cast<unsigned>(versions),
              static_cast<unsigned>(disagreements));
  // A system folder this small means the search went wrong, not that all is well.
  if (systemFiles < 100 || versions == 0) {
    std::printf("too few files to compare\n");
    return 1;
  }
  return disagreements == 0 ? 0 : 1;
}
