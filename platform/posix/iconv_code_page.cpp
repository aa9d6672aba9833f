// The Windows code pages through the C library's iconv, which knows them as
// "CP1251", "CP932" and so on.
#include <errno.h>
#include <iconv.h>

#include <array>
#include <string>

#include "platform/code_page.h"

namespace tarnwick {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

// One conversion descriptor, closed when its owner goes.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(::iconv_open(to, from)) {}
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  ~IconvHandle() {
    if (IsOpen()) ::iconv_close(handle_);
  }
  bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const {
    ::iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return handle_;
  }

 private:
  iconv_t handle_;
};

class IconvCodePage final : public CodePage {
 public:
  explicit IconvCodePage(std::uint32_t number)
      : number_(number),
        name_("CP" + std::to_string(number)),
        decoder_("UTF-32LE", name_.c_str()),
        encoder_(name_.c_str(), "UTF-32LE") {}

  bool IsOpen() const { return decoder_.IsOpen() && encoder_.IsOpen(); }
  std::uint32_t Number() const override { return number_; }

  std::u32string Decode(std::string_view text) const override {
    std::u32string out;
    const iconv_t cd = decoder_.get();
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::array<char32_t, 256> buffer{};
    while (true) {
      char* to = reinterpret_cast<char*>(buffer.data());
      std::size_t toLeft = sizeof buffer;
      const std::size_t result = ::iconv(cd, inLeft > 0 ? &in : nullptr, &inLeft, &to, &toLeft);
      const int error = errno;
      AppendUnits(out, buffer.data(), sizeof buffer - toLeft);
      if (result != static_cast<std::size_t>(-1)) {
        if (inLeft == 0 && in != nullptr) {
          in = nullptr;  // one more call flushes a character held back
          continue;
        }
        return out;
      }
      if (error == E2BIG) continue;
      if (in == nullptr || inLeft == 0) return out;
      // A byte without a character (EILSEQ), or a lead byte at the end (EINVAL).
      out += kEscapeBase + static_cast<unsigned char>(*in);
      ++in;
      --inLeft;
      if (inLeft == 0) in = nullptr;
    }
  }

  std::string Encode(std::u32string_view text) const override {
    std::string out;
    out.reserve(text.size());
    const iconv_t cd = encoder_.get();
    for (const char32_t c : text) {
      if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
        out += static_cast<char>(c - kEscapeBase);
        continue;
      }
      char32_t one = c;
      char* in = reinterpret_cast<char*>(&one);
      std::size_t inLeft = sizeof one;
      std::array<char, 16> buffer{};
      char* to = buffer.data();
      std::size_t toLeft = buffer.size();
      if (::iconv(cd, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) {
        out += '?';
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        continue;
      }
      ::iconv(cd, nullptr, nullptr, &to, &toLeft);
      out.append(buffer.data(), buffer.size() - toLeft);
    }
    return out;
  }

 private:
  static void AppendUnits(std::u32string& out, const char32_t* units, std::size_t bytes) {
    out.append(units, bytes / sizeof(char32_t));
  }

  std::uint32_t number_;
  std::string name_;
  IconvHandle decoder_;
  IconvHandle encoder_;
};

}  // namespace

std::shared_ptr<const CodePage> OpenCodePage(std::uint32_t number) {
  if (number == kWindows1252) return SharedWindows1252();
  if (!IsAnsiCodePage(number)) return nullptr;
  auto codePage = std::make_shared<IconvCodePage>(number);
  if (!codePage->IsOpen()) return nullptr;
  return codePage;
}

}  // namespace tarnwick
