#include "desk/code_pages.h"

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace tarnwick::desk {
namespace {

// Windows' locales with the ANSI code page each one gives its programs. The
// user's locale usually, not always, matches the code page the system wrote
// the report in; the desk's --codepage overrides the guess.
constexpr LocaleRow kLocales[] = {
    {0x0401, 1256, "ar"}, {0x0402, 1251, "bg"}, {0x0403, 1252, "ca"}, {0x0404, 950, "zh"},
    {0x0405, 1250, "cs"}, {0x0406, 1252, "da"}, {0x0407, 1252, "de"}, {0x0408, 1253, "el"},
    {0x0409, 1252, "en"}, {0x040A, 1252, "es"}, {0x040B, 1252, "fi"}, {0x040C, 1252, "fr"},
    {0x040D, 1255, "he"}, {0x040E, 1250, "hu"}, {0x040F, 1252, "is"}, {0x0410, 1252, "it"},
    {0x0411, 932, "ja"},  {0x0412, 949, "ko"},  {0x0413, 1252, "nl"}, {0x0414, 1252, "nb"},
    {0x0415, 1250, "pl"}, {0x0416, 1252, "pt"}, {0x0418, 1250, "ro"}, {0x0419, 1251, "ru"},
    {0x041A, 1250, "hr"}, {0x041B, 1250, "sk"}, {0x041C, 1250, "sq"}, {0x041D, 1252, "sv"},
    {0x041E, 874, "th"},  {0x041F, 1254, "tr"}, {0x0420, 1256, "ur"}, {0x0421, 1252, "id"},
    {0x0422, 1251, "uk"}, {0x0423, 1251, "be"}, {0x0424, 1250, "sl"}, {0x0425, 1257, "et"},
    {0x0426, 1257, "lv"}, {0x0427, 1257, "lt"}, {0x0429, 1256, "fa"}, {0x042A, 1258, "vi"},
    {0x042B, 0, "hy"},    {0x042C, 1254, "az"}, {0x042D, 1252, "eu"}, {0x042F, 1251, "mk"},
    {0x0436, 1252, "af"}, {0x0437, 0, "ka"},    {0x0438, 1252, "fo"}, {0x0439, 0, "hi"},
    {0x043E, 1252, "ms"}, {0x043F, 1251, "kk"}, {0x0440, 1251, "ky"}, {0x0441, 1252, "sw"},
    {0x0443, 1254, "uz"}, {0x0444, 1251, "tt"}, {0x0456, 1252, "gl"}, {0x0450, 1251, "mn"},
    {0x0801, 1256, "ar"}, {0x0804, 936, "zh"},  {0x0807, 1252, "de"}, {0x0809, 1252, "en"},
    {0x080A, 1252, "es"}, {0x080C, 1252, "fr"}, {0x0810, 1252, "it"}, {0x0813, 1252, "nl"},
    {0x0814, 1252, "nn"}, {0x0816, 1252, "pt"}, {0x081A, 1250, "sr"}, {0x081D, 1252, "sv"},
    {0x082C, 1251, "az"}, {0x083E, 1252, "ms"}, {0x0843, 1251, "uz"}, {0x0C01, 1256, "ar"},
    {0x0C04, 950, "zh"},  {0x0C07, 1252, "de"}, {0x0C09, 1252, "en"}, {0x0C0A, 1252, "es"},
    {0x0C0C, 1252, "fr"}, {0x0C1A, 1251, "sr"}, {0x1001, 1256, "ar"}, {0x1004, 936, "zh"},
    {0x1007, 1252, "de"}, {0x1009, 1252, "en"}, {0x100A, 1252, "es"}, {0x100C, 1252, "fr"},
    {0x1401, 1256, "ar"}, {0x1404, 950, "zh"},  {0x1409, 1252, "en"}, {0x140A, 1252, "es"},
    {0x140C, 1252, "fr"}, {0x141A, 1250, "bs"}, {0x1801, 1256, "ar"}, {0x1809, 1252, "en"},
    {0x180A, 1252, "es"}, {0x1C01, 1256, "ar"}, {0x1C09, 1252, "en"}, {0x1C0A, 1252, "es"},
    {0x1C1A, 1251, "sr"}, {0x2001, 1256, "ar"}, {0x2009, 1252, "en"}, {0x200A, 1252, "es"},
    {0x2401, 1256, "ar"}, {0x2409, 1252, "en"}, {0x240A, 1252, "es"}, {0x2801, 1256, "ar"},
    {0x2809, 1252, "en"}, {0x280A, 1252, "es"}, {0x2C01, 1256, "ar"}, {0x2C09, 1252, "en"},
    {0x2C0A, 1252, "es"}, {0x3001, 1256, "ar"}, {0x3009, 1252, "en"}, {0x300A, 1252, "es"},
    {0x3401, 1256, "ar"}, {0x3409, 1252, "en"}, {0x340A, 1252, "es"}, {0x3801, 1256, "ar"},
    {0x380A, 1252, "es"}, {0x3C01, 1256, "ar"}, {0x3C0A, 1252, "es"}, {0x4001, 1256, "ar"},
    {0x400A, 1252, "es"}, {0x440A, 1252, "es"}, {0x480A, 1252, "es"}, {0x4C0A, 1252, "es"},
    {0x500A, 1252, "es"},
};

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::span<const LocaleRow> Locales() { return kLocales; }

const LocaleRow* FindLocale(std::string_view localeText) {
  while (!localeText.empty() && (localeText.front() == ' ' || localeText.front() == '\t')) localeText.remove_prefix(1);
  while (!localeText.empty() && (localeText.back() == ' ' || localeText.back() == '\t')) localeText.remove_suffix(1);
  unsigned lcid = 0;
  const auto [end, error] = std::from_chars(localeText.data(), localeText.data() + localeText.size(), lcid, 16);
  if (localeText.empty() || error != std::errc() || end != localeText.data() + localeText.size()) return nullptr;
  for (const LocaleRow& row : kLocales) {
    if (row.lcid == lcid) return &row;
  }
  return nullptr;
}

iconv_t CodePageDecoder::Find(int codePage) {
  auto found = converters_.find(codePage);
  if (found == converters_.end()) {
    const std::string name = "CP" + std::to_string(codePage);
    found = converters_.emplace(codePage, Converter(iconv_open("UTF-8", name.c_str()))).first;
  }
  return found->second.Get();
}

bool CodePageDecoder::Supports(int codePage) { return codePage > 0 && Find(codePage) != IconvTraits::Null(); }

std::string CodePageDecoder::Decode(int codePage, std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  const iconv_t converter = Find(codePage);
  std::string out;
  if (converter == IconvTraits::Null()) {
    // A code page iconv lacks: keep ASCII, mark every other byte.
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) out += c;
      else out += kReplacementUtf8;
    }
    return out;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  out.resize(bytes.size() * 4 + 16);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* to = out.data();
  std::size_t toLeft = out.size();
  while (inLeft > 0) {
    if (iconv(converter, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      const std::size_t used = static_cast<std::size_t>(to - out.data());
      out.resize(out.size() * 2);
      to = out.data() + used;
      toLeft = out.size() - used;
      continue;
    }
    // A byte the code page does not define, or a lead byte at the very end.
    if (toLeft < kReplacementUtf8.size()) {
      const std::size_t used = static_cast<std::size_t>(to - out.data());
      out.resize(out.size() + 16);
      to = out.data() + used;
      toLeft = out.size() - used;
    }
    std::copy(kReplacementUtf8.begin(), kReplacementUtf8.end(), to);
    to += kReplacementUtf8.size();
    toLeft -= kReplacementUtf8.size();
    ++in;
    --inLeft;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

}  // namespace tarnwick::desk
