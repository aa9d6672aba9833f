// Outlook's TNEF streams ("winmail.dat") through libytnef: each attachment
// hidden in the stream is walked like a mail part.
#include <cstddef>
#include <cstdio>

// The library's headers declare C functions without saying so, and need
// FILE and size_t declared before them.
extern "C" {
#include <ytnef.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "desk/inputs/library_owners.h"
#include "desk/inputs/source_names.h"
#include "desk/inputs/walk.h"

namespace tarnwick::desk {
namespace {

// A TNEF stream as the library decodes it, freed with its attachments.
class TnefStream {
 public:
  TnefStream() {
    TNEFInitialize(&tnef_);
    tnef_.Debug = 0;  // else the library traces every attribute on standard output
  }
  ~TnefStream() { TNEFFree(&tnef_); }
  TnefStream(const TnefStream&) = delete;
  TnefStream& operator=(const TnefStream&) = delete;
  TNEFStruct* get() { return &tnef_; }

 private:
  TNEFStruct tnef_;
};


// The stream's frame as Microsoft documents it: a signature and a key, then
// attributes of a level byte, an id, a length, the data and a 16-bit sum of
// the data. A stream that breaks the frame, or repeats an attribute within
// the message or one attachment (Outlook never does), is refused before the
// library sees it: the library leaks a repeated attribute's first value.
bool FrameIsSound(std::string_view bytes) {
  constexpr std::size_t kStart = 6;      // signature and key
  constexpr std::size_t kHeader = 9;     // level, id, length
  constexpr std::size_t kChecksum = 2;
  constexpr std::uint32_t kAttachmentStart = 0x00069002;  // attAttachRendData
  const auto number = [&](std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  std::set<std::uint64_t> seen;  // level and id
  std::size_t at = kStart;
  while (at < bytes.size()) {
    if (bytes.size() - at < kHeader) return false;
    const std::uint32_t level = static_cast<unsigned char>(bytes[at]);
    const std::uint32_t id = number(at + 1, 4);
    const std::uint32_t length = number(at + 5, 4);
    if (bytes.size() - at - kHeader < std::uint64_t{length} + kChecksum) return false;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += static_cast<unsigned char>(bytes[at + kHeader + i]);
    if ((sum & 0xFFFF) != number(at + kHeader + length, 2)) return false;
    if (id == kAttachmentStart) std::erase_if(seen, [](std::uint64_t key) { return key >> 32 != 1; });
    if (!seen.insert((std::uint64_t{level} << 32) | id).second) return false;
    at += kHeader + length + kChecksum;
  }
  return true;
}

// The library reports what it dislikes on standard output, which is where
// the desk's own results go: for the length of one parse its writes are
// sent to /dev/null. The desk walks its inputs on one thread.
class StandardOutputSilenced {
 public:
  StandardOutputSilenced() {
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDOUT_FILENO);
    if (null >= 0) ::close(null);
  }
  ~StandardOutputSilenced() {
    std::fflush(stdout);
    if (saved_ < 0) return;
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }
  StandardOutputSilenced(const StandardOutputSilenced&) = delete;
  StandardOutputSilenced& operator=(const StandardOutputSilenced&) = delete;

 private:
  int saved_;
};

std::string Text8(const variableLength& text) {
  if (text.data == nullptr || text.size <= 0) return {};
  std::string value(reinterpret_cast<const char*>(text.data), static_cast<std::size_t>(text.size));
  return value.substr(0, value.find('\0'));
}

// UTF-16 (least significant byte first) to UTF-8.
std::string Text16(const variableLength& text) {
  std::string value;
  if (text.data == nullptr || text.size <= 0) return value;
  const std::size_t units = static_cast<std::size_t>(text.size) / 2;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t code = text.data[2 * i] | (char32_t{text.data[2 * i + 1]} << 8);
    if (code == 0) break;
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < units) {
      const char32_t low = text.data[2 * i + 2] | (char32_t{text.data[2 * i + 3]} << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;
    if (code < 0x80) {
      value += static_cast<char>(code);
    } else if (code < 0x800) {
      value += static_cast<char>(0xC0 | (code >> 6));
      value += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      value += static_cast<char>(0xE0 | (code >> 12));
      value += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      value += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      value += static_cast<char>(0xF0 | (code >> 18));
      value += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      value += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      value += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return value;
}

// The long file name Outlook keeps among the attachment's properties, else
// the short title of the attachment. The library hands a UTF-16 name on as
// it was stored or, in newer releases, already as UTF-8.
std::string AttachmentName(Attachment& attachment) {
  variableLength* name = MAPIFindProperty(&attachment.MAPI, PROP_TAG(PT_UNICODE, PR_ATTACH_LONG_FILENAME));
  if (name != MAPI_UNDEFINED && name != nullptr && name->size > 0) {
    return name->size >= 2 && name->data[1] == 0 ? Text16(*name) : Text8(*name);
  }
  name = MAPIFindProperty(&attachment.MAPI, PROP_TAG(PT_STRING8, PR_ATTACH_LONG_FILENAME));
  if (name != MAPI_UNDEFINED && name != nullptr && name->size > 0) return Text8(*name);
  return Text8(attachment.Title);
}

}  // namespace

void WalkTnef(Walk& walk, const Place& place, std::string_view bytes) {
  // The library takes a writable buffer.
  std::vector<BYTE> copy(bytes.begin(), bytes.end());
  TnefStream stream;
  bool read = FrameIsSound(bytes);
  if (read) {
    const StandardOutputSilenced silenced;
    read = TNEFParseMemory(copy.data(), static_cast<long>(copy.size()), stream.get()) >= 0;
  }
  if (!read) return walk.Problem(place.source, "not a readable TNEF stream");
  SourceNames names;
  int position = 0;
  for (Attachment* attachment = stream.get()->starting_attach.next; attachment != nullptr;
       attachment = attachment->next) {
    ++position;
    const variableLength& data = attachment->FileData;
    if (data.data == nullptr || data.size <= 0) continue;
    const std::string name = AttachmentName(*attachment);
    const std::string source = JoinSource(place.source, names.Name(name, position));
    const std::string_view content(reinterpret_cast<const char*>(data.data), static_cast<std::size_t>(data.size));
    WalkBytes(walk, {source, place.mail, place.depth + 1},
              {.name = name, .data = content, .origin = Origin::kFolderFile, .lineEndsAsWritten = true});
  }
}

}  // namespace tarnwick::desk
