// Outlook's TNEF streams ("winmail.dat") through libytnef: each attachment
// hidden in the stream is walked like a mail part.
#include <cstddef>
#include <cstdio>

// The library's headers declare C functions without saying so, and need
// FILE and size_t declared before them.
extern "C" {
#include <ytnef.h>
}

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
  if (TNEFParseMemory(copy.data(), static_cast<long>(copy.size()), stream.get()) < 0) {
    return walk.Problem(place.source, "not a readable TNEF stream");
  }
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
