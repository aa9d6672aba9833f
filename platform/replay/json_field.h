// One value of a machine description on its way into the platform records:
// typed reads that refuse a value of the wrong type or range with a message
// naming the value ("version.servicePack: longer than 127 characters") and
// its line.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/replay/json_lines.h"

namespace tarnwick {

class JsonField {
 public:
  // The whole document; its texts become 8-bit texts in codePage.
  explicit JsonField(const LinedJson& document, const CodePage& codePage = Windows1252());

  const std::string& Name() const { return name_; }
  std::size_t Line() const;
  const nlohmann::json& Raw() const { return *value_; }
  const CodePage& Code() const { return *codePage_; }

  [[noreturn]] void Refuse(const std::string& problem) const;

  // Objects: a member, or nothing when it is absent; every member in order.
  std::optional<JsonField> Member(std::string_view key) const;
  std::vector<std::pair<std::string, JsonField>> Members() const;
  std::vector<JsonField> Elements() const;

  bool Bool() const;
  // A text in the code page (UTF-8 converted, '?' for a missing character),
  // ended at its first zero; maxLength counts its characters.
  std::string Text(std::size_t maxLength = std::numeric_limits<std::size_t>::max()) const;
  std::uint64_t Unsigned(std::uint64_t max) const;
  std::int64_t Signed(std::int64_t min, std::int64_t max) const;

  template <typename T>
  T Number() const {
    if constexpr (std::numeric_limits<T>::is_signed) {
      return static_cast<T>(Signed(std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    } else {
      return static_cast<T>(Unsigned(std::numeric_limits<T>::max()));
    }
  }

 private:
  JsonField(const JsonField& parent, const nlohmann::json& value, std::string path, std::string name);
  void Expect(bool matches, const char* kind) const;

  const LinedJson* document_;
  const CodePage* codePage_;
  const nlohmann::json* value_;
  std::string path_;
  std::string name_;  // for messages: "version.servicePack", "devices[2]"
};

}  // namespace tarnwick
