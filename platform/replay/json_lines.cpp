#include "platform/replay/json_lines.h"

#include <iterator>
#include <optional>
#include <vector>

#include "platform/replay/load_error.h"

namespace tarnwick {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxNesting = 32;

// Where the parser stands: the line of the character it read last. A line
// feed belongs to the line it ends, so a number the parser recognises only
// by reading the line feed after it still gets its own line.
struct ReadPosition {
  std::size_t lastLine = 1;
  std::size_t nextLine = 1;
};

// Hands the text to the parser character by character and keeps the
// position up to date as it goes.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, ReadPosition* position) : at_(at), position_(position) {}

  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    position_->lastLine = position_->nextLine;
    if (*at_ == '\n') ++position_->nextLine;
    ++at_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  friend bool operator==(const CountingIterator& a, const CountingIterator& b) { return a.at_ == b.at_; }

 private:
  const char* at_;
  ReadPosition* position_;
};

// Builds the value like the library's own parser and records each value's
// line by path on the way.
class LineRecorder {
 public:
  LineRecorder(LinedJson& out, const ReadPosition& position) : out_(out), position_(position) {}

  bool null() { return Place(nullptr) != nullptr; }
  bool boolean(bool value) { return Place(value) != nullptr; }
  bool number_integer(json::number_integer_t value) { return Place(value) != nullptr; }
  bool number_unsigned(json::number_unsigned_t value) { return Place(value) != nullptr; }
  bool number_float(json::number_float_t value, const std::string&) { return Place(value) != nullptr; }
  bool string(std::string& value) { return Place(std::move(value)) != nullptr; }
  bool binary(json::binary_t&) { return false; }  // JSON text holds none
  bool start_object(std::size_t) { return Open(json::object()); }
  bool start_array(std::size_t) { return Open(json::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(std::string& name) {
    Frame& frame = stack_.back();
    if (frame.container->contains(name)) {
      error_ = LineError{position_.lastLine, "member \"" + name + "\" given twice"};
      return false;
    }
    frame.key = std::move(name);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& problem) {
    // The library's text reads "[json.exception...] parse error at line L,
    // column C: what"; the line is told separately.
    std::string message = problem.what();
    const std::size_t column = message.find("column ");
    const std::size_t what = message.find(": ", column == std::string::npos ? 0 : column);
    if (what != std::string::npos) message = message.substr(what + 2);
    error_ = LineError{position_.lastLine, "malformed JSON: " + message};
    return false;
  }

  const std::optional<LineError>& Error() const { return error_; }

 private:
  struct Frame {
    json* container;
    std::string path;
    std::string key;        // of the next member, in an object
    std::size_t next = 0;   // index of the next element, in an array
  };

  // Puts the value where the parser stands; its address stays valid while
  // values are added inside it (nothing is added after it meanwhile).
  json* Place(json value) {
    std::string path;
    json* placed = nullptr;
    if (stack_.empty()) {
      out_.root = std::move(value);
      placed = &out_.root;
    } else if (Frame& frame = stack_.back(); frame.container->is_object()) {
      path = MemberPath(frame.path, frame.key);
      placed = &((*frame.container)[frame.key] = std::move(value));
    } else {
      path = ElementPath(frame.path, frame.next++);
      frame.container->push_back(std::move(value));
      placed = &frame.container->back();
    }
    out_.lines[path] = position_.lastLine;
    lastPath_ = std::move(path);
    return placed;
  }

  bool Open(json container) {
    // A machine description nests a few levels; far deeper text is hostile,
    // and every level would lengthen the path of every value inside it.
    if (stack_.size() >= kMaxNesting) {
      error_ = LineError{position_.lastLine, "nested deeper than " + std::to_string(kMaxNesting) + " levels"};
      return false;
    }
    json* placed = Place(std::move(container));
    stack_.push_back(Frame{placed, lastPath_, {}, 0});
    return true;
  }

  bool Close() {
    stack_.pop_back();
    return true;
  }

  LinedJson& out_;
  const ReadPosition& position_;
  std::vector<Frame> stack_;
  std::string lastPath_;
  std::optional<LineError> error_;
};

std::string EscapeName(std::string_view name) {
  std::string escaped;
  for (const char c : name) {
    if (c == '~') escaped += "~0";
    else if (c == '/') escaped += "~1";
    else escaped += c;
  }
  return escaped;
}

}  // namespace

std::size_t LinedJson::LineOf(const std::string& path) const {
  const auto it = lines.find(path);
  return it == lines.end() ? 0 : it->second;
}

std::string MemberPath(const std::string& objectPath, std::string_view name) {
  return objectPath + "/" + EscapeName(name);
}

std::string ElementPath(const std::string& arrayPath, std::size_t index) {
  return arrayPath + "/" + std::to_string(index);
}

LinedJson ParseJsonWithLines(std::string_view text) {
  LinedJson out;
  ReadPosition position;
  LineRecorder recorder(out, position);
  const CountingIterator first(text.data(), &position);
  const CountingIterator last(text.data() + text.size(), &position);
  const bool parsed = json::sax_parse(first, last, &recorder);
  if (recorder.Error()) throw *recorder.Error();
  if (!parsed) throw LineError{position.lastLine, "malformed JSON"};
  return out;
}

}  // namespace tarnwick
