#include "platform/replay/json_field.h"

#include "platform/replay/load_error.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

using nlohmann::json;

bool IsPlainName(std::string_view key) {
  if (key.empty()) return false;
  for (const char c : key) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!letter) return false;
  }
  return true;
}

std::string MemberName(const std::string& objectName, const std::string& key) {
  if (IsPlainName(key)) return objectName.empty() ? key : objectName + "." + key;
  return objectName + "[" + json(key).dump() + "]";
}

}  // namespace

JsonField::JsonField(const LinedJson& document, const CodePage& codePage)
    : document_(&document), codePage_(&codePage), value_(&document.root) {}

JsonField::JsonField(const JsonField& parent, const json& value, std::string path, std::string name)
    : document_(parent.document_),
      codePage_(parent.codePage_),
      value_(&value),
      path_(std::move(path)),
      name_(std::move(name)) {}

std::size_t JsonField::Line() const { return document_->LineOf(path_); }

void JsonField::Refuse(const std::string& problem) const {
  throw LineError{Line(), name_.empty() ? problem : name_ + ": " + problem};
}

void JsonField::Expect(bool matches, const char* kind) const {
  if (!matches) Refuse(std::string("expected ") + kind + ", found " + value_->type_name());
}

std::optional<JsonField> JsonField::Member(std::string_view key) const {
  Expect(value_->is_object(), "an object");
  const auto it = value_->find(key);
  if (it == value_->end()) return std::nullopt;
  const std::string name(key);
  return JsonField(*this, *it, MemberPath(path_, key), MemberName(name_, name));
}

std::vector<std::pair<std::string, JsonField>> JsonField::Members() const {
  Expect(value_->is_object(), "an object");
  std::vector<std::pair<std::string, JsonField>> members;
  for (auto it = value_->begin(); it != value_->end(); ++it) {
    members.emplace_back(it.key(), JsonField(*this, it.value(), MemberPath(path_, it.key()), MemberName(name_, it.key())));
  }
  return members;
}

std::vector<JsonField> JsonField::Elements() const {
  Expect(value_->is_array(), "an array");
  std::vector<JsonField> elements;
  for (std::size_t i = 0; i < value_->size(); ++i) {
    elements.push_back(JsonField(*this, (*value_)[i], ElementPath(path_, i), name_ + "[" + std::to_string(i) + "]"));
  }
  return elements;
}

bool JsonField::Bool() const {
  Expect(value_->is_boolean(), "true or false");
  return value_->get<bool>();
}

std::string JsonField::Text(std::size_t maxLength) const {
  Expect(value_->is_string(), "a text");
  // The platform record holds the text up to its first zero, as a zero-
  // terminated buffer does; what follows never reaches the report.
  const std::string text(UpToFirstZero(codePage_->Encode(Utf8ToUnicode(value_->get_ref<const std::string&>()))));
  if (text.size() > maxLength) Refuse("longer than " + std::to_string(maxLength) + " characters");
  return text;
}

std::uint64_t JsonField::Unsigned(std::uint64_t max) const {
  Expect(value_->is_number_integer(), "a whole number");
  if (value_->is_number_integer() && !value_->is_number_unsigned() && value_->get<std::int64_t>() < 0) {
    Refuse("must not be negative");
  }
  const auto number = value_->get<std::uint64_t>();
  if (number > max) Refuse("larger than " + std::to_string(max));
  return number;
}

std::int64_t JsonField::Signed(std::int64_t min, std::int64_t max) const {
  Expect(value_->is_number_integer(), "a whole number");
  if (value_->is_number_unsigned() && value_->get<std::uint64_t>() > static_cast<std::uint64_t>(max)) {
    Refuse("larger than " + std::to_string(max));
  }
  const auto number = value_->get<std::int64_t>();
  if (number < min || number > max) Refuse("outside " + std::to_string(min) + ".." + std::to_string(max));
  return number;
}

}  // namespace tarnwick
