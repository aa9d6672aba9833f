#include "platform/replay/reg_file.h"

#include <array>
#include <vector>

#include "platform/code_page.h"
#include "platform/replay/reg_line.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct RootName {
  std::string_view name;
  std::optional<RegistryRoot> root;  // nothing: a root this registry does not hold
};

constexpr std::array<RootName, 11> kRoots = {{
    {"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {"HKLM", RegistryRoot::LocalMachine},
    {"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {"HKCU", RegistryRoot::CurrentUser},
    {"HKEY_CLASSES_ROOT", std::nullopt},
    {"HKCR", std::nullopt},
    {"HKEY_USERS", std::nullopt},
    {"HKU", std::nullopt},
    {"HKEY_CURRENT_CONFIG", std::nullopt},
    {"HKCC", std::nullopt},
    {"HKEY_DYN_DATA", std::nullopt},
}};

// The file as UTF-8, as regedit reads it into Unicode: an 8-bit file through
// the computer's code page (a byte it lacks kept as its escape, so texts
// come back byte for byte), a UTF-16 file as it stands.
struct DecodedFile {
  std::string text;
  bool utf16 = false;
};

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

DecodedFile Decode(std::string_view bytes, const CodePage& codePage) {
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xFE) {
    return {UnicodeToUtf8(codePage.Decode(bytes)), false};
  }
  bytes.remove_prefix(2);
  DecodedFile file{UnicodeToUtf8(Utf16LeToUnicode(bytes.substr(0, bytes.size() & ~std::size_t{1}))), true};
  if (bytes.size() % 2 != 0) {
    throw LineError{SplitLines(file.text).size() + 1, "the UTF-16 text ends in half a character"};
  }
  return file;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

class RegFileParser {
 public:
  explicit RegFileParser(MemoryRegistry& registry) : registry_(registry) {}

  void Parse(std::string_view bytes) {
    const DecodedFile file = Decode(bytes, registry_.Code());
    lines_ = SplitLines(file.text);
    ReadHeader(file.utf16);
    for (next_ = 1; next_ < lines_.size();) {
      const std::size_t number = next_ + 1;
      const std::string_view line = TrimBlanks(lines_[next_++]);
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      if (line.front() == '[') {
        KeyLine(RegLineCursor(line, number));
      } else if (line.front() == '"' || line.front() == '@') {
        ValueLine(RegLineCursor(line, number));
      } else {
        throw LineError{number, "expected a key line '[...]' or a value line: '" + std::string(line) + "'"};
      }
    }
  }

 private:
  enum class KeyState { None, Open, Dropped };

  void ReadHeader(bool utf16) {
    const std::string_view header = lines_.empty() ? std::string_view() : TrimBlanks(lines_[0]);
    if (header == kHeader5) {
      unicodeStrings_ = true;
    } else if (header == kHeader4 && !utf16) {
      unicodeStrings_ = false;
    } else if (header == kHeader4) {
      throw LineError{1, "a UTF-16 file needs the header \"" + std::string(kHeader5) + "\""};
    } else {
      throw LineError{1, "missing header: expected \"" + std::string(kHeader4) + "\" or \"" + std::string(kHeader5) + "\""};
    }
  }

  void KeyLine(RegLineCursor cursor) {
    const std::string_view line = cursor.Rest();
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) cursor.Fail("key line without closing ']'");
    RegLineCursor after(line.substr(close + 1), cursor.Line());
    if (!after.OnlyCommentLeft()) cursor.Fail("unexpected text after the key line's ']'");
    std::string_view name = line.substr(1, close - 1);
    const bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);

    const std::size_t separator = name.find('\\');
    const std::string_view rootName = name.substr(0, separator);
    const std::string_view path = separator == std::string_view::npos ? std::string_view() : name.substr(separator + 1);
    const RootName* root = FindRoot(rootName);
    if (root == nullptr) cursor.Fail("unknown root key '" + std::string(rootName) + "'");
    if (separator != std::string_view::npos) {
      const auto names = SplitKeyPath(path);
      if (!names) cursor.Fail("empty key name in '" + std::string(name) + "'");
      // Windows' own limits: a deeper path or a longer name cannot exist.
      if (names->size() > kMaxKeyDepth) {
        cursor.Fail("key path deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      }
      for (const std::string_view keyName : *names) {
        if (Utf8ToUnicode(keyName).size() > kMaxKeyNameLength) {
          cursor.Fail("key name longer than " + std::to_string(kMaxKeyNameLength) + " characters: '" +
                      std::string(keyName.substr(0, 40)) + "...'");
        }
      }
    }
    if (deletion && path.empty()) cursor.Fail("a root key cannot be deleted");

    state_ = KeyState::None;
    if (!root->root) {
      if (!deletion) state_ = KeyState::Dropped;
      return;
    }
    path_ = Utf8ToUnicode(path);
    if (deletion) {
      registry_.DeleteKey(*root->root, std::u32string_view(path_));  // deleting a missing key is no error
      return;
    }
    registry_.CreateKey(*root->root, std::u32string_view(path_));
    root_ = *root->root;
    state_ = KeyState::Open;
  }

  static const RootName* FindRoot(std::string_view name) {
    for (const RootName& root : kRoots) {
      if (EqualsIgnoreAsciiCase(root.name, name)) return &root;
    }
    return nullptr;
  }

  void ValueLine(RegLineCursor cursor) {
    std::string name;
    if (cursor.Peek() == '@') {
      cursor.Advance();
    } else {
      name = cursor.QuotedText();
    }
    cursor.SkipBlanks();
    if (cursor.Peek() != '=') cursor.Fail("expected '=' after the value name");
    cursor.Advance();
    cursor.SkipBlanks();
    if (state_ == KeyState::None) cursor.Fail("value line outside a key");

    if (cursor.Peek() == '-') {
      cursor.Advance();
      cursor.ExpectEnd();
      if (state_ == KeyState::Open) registry_.DeleteValue(root_, path_, Utf8ToUnicode(name));
      return;
    }
    RegistryValue value = Data(cursor);
    if (state_ == KeyState::Open) registry_.SetValue(root_, path_, Utf8ToUnicode(name), std::move(value));
  }

  RegistryValue Data(RegLineCursor& cursor) {
    if (cursor.Peek() == '"') {
      // What the A functions read: the text in the code page.
      const std::string text = registry_.Code().Encode(Utf8ToUnicode(cursor.QuotedText()));
      cursor.ExpectEnd();
      RegistryValue value{kRegSz, std::vector<std::uint8_t>(text.begin(), text.end())};
      value.data.push_back(0);
      return value;
    }
    if (cursor.Take("dword:")) {
      cursor.SkipBlanks();
      const std::uint32_t number = cursor.HexNumber(8, "a dword");
      cursor.ExpectEnd();
      RegistryValue value{kRegDword, std::vector<std::uint8_t>(4)};
      for (std::size_t i = 0; i < 4; ++i) value.data[i] = static_cast<std::uint8_t>(number >> (8 * i));
      return value;
    }
    std::uint32_t type = kRegBinary;
    if (cursor.Take("hex(")) {
      type = cursor.HexNumber(8, "a value type");
      if (!cursor.Take("):")) cursor.Fail("expected \"):\" after the value type");
    } else if (!cursor.Take("hex:")) {
      cursor.Fail("unknown data type: '" + std::string(cursor.Rest()) + "'");
    }
    return HexData(cursor, type);
  }

  RegistryValue HexData(RegLineCursor& cursor, std::uint32_t type) {
    RegistryValue value{type, {}};
    std::size_t lastLine = cursor.Line();  // the last line that held data
    bool more = ReadHexLine(cursor, value.data);
    while (more) {
      // Blank and comment lines may stand between the continued lines.
      if (next_ >= lines_.size()) throw LineError{lastLine, "the file ends inside continued hex data"};
      const std::size_t number = next_ + 1;
      const std::string_view line = TrimBlanks(lines_[next_++]);
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      lastLine = number;
      RegLineCursor continued(line, lastLine);
      more = ReadHexLine(continued, value.data);
    }
    // Texts of a 5.00 file are stored as UTF-16; the A functions return them
    // in the code page.
    const bool text = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
    if (text && unicodeStrings_) {
      if (value.data.size() % 2 != 0) throw LineError{lastLine, "UTF-16 text data of odd length"};
      const std::string converted = registry_.Code().Encode(
          Utf16LeToUnicode(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size())));
      value.data.assign(converted.begin(), converted.end());
    }
    return value;
  }

  MemoryRegistry& registry_;
  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;  // index of the next line to read
  bool unicodeStrings_ = false;
  KeyState state_ = KeyState::None;
  RegistryRoot root_ = RegistryRoot::LocalMachine;
  std::u32string path_;
};

}  // namespace

std::optional<LoadError> ReadRegFile(std::string_view content, std::string_view fileName, MemoryRegistry& registry) {
  try {
    RegFileParser(registry).Parse(content);
  } catch (const LineError& error) {
    return LoadError{std::string(fileName), error.line, error.message};
  }
  return std::nullopt;
}

}  // namespace tarnwick
