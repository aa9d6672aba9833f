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

#include <algorithm>
#include <set>
#include <vector>

#include "desk/inputs/library_owners.h"
#include "platform/posix/descriptor.h"
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
// the data. The library keeps one value of each attribute for the message
// and for each attachment, and leaks the first when one repeats; Outlook
// never repeats one, nor writes an attachment's attribute before the
// attachment's first, so such a stream is refused before the library sees it.
bool FrameIsSound(std::string_view bytes) {
  constexpr std::size_t kStart = 6;      // signature and key
  constexpr std::size_t kHeader = 9;     // level, id, length
  constexpr std::size_t kChecksum = 2;
  constexpr std::uint32_t kAttachmentStart = 0x00069002;  // attAttachRendData
  // attAttachData, attAttachTitle, attAttachMetaFile, attAttachCreateDate,
  // attAttachModifyDate, attAttachTransportFilename, attAttachRendData,
  // attAttachment: the attributes the library files under an attachment.
  constexpr std::uint16_t kAttachmentIds[] = {0x800F, 0x8010, 0x8011, 0x8012, 0x8013, 0x9001, 0x9002, 0x9005};
  const auto number = [&](std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  std::set<std::uint32_t> message;
  std::set<std::uint32_t> attachment;
  bool inAttachment = false;
  std::size_t at = kStart;
  while (at < bytes.size()) {
    if (bytes.size() - at < kHeader) return false;
    const std::uint32_t id = number(at + 1, 4);
    const std::uint32_t length = number(at + 5, 4);
    if (bytes.size() - at - kHeader < std::uint64_t{length} + kChecksum) return false;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += static_cast<unsigned char>(bytes[at + kHeader + i]);
    if ((sum & 0xFFFF) != number(at + kHeader + length, 2)) return false;
    if (id == kAttachmentStart) {
      attachment.clear();
      inAttachment = true;
    }
    const bool ofAttachment = std::ranges::find(kAttachmentIds, id & 0xFFFF) != std::end(kAttachmentIds);
    if (ofAttachment && !inAttachment) return false;
    if (!(ofAttachment ? attachment : message).insert(id).second) return false;
    at += kHeader + length + kChecksum;
  }
  return true;
}

// The library reports what it dislikes on standard output, which is where
// the desk's own results go: for the length of one parse its writes are
// sent to /dev/null. The desk walks its inputs on one thread.
class StandardOutputSilenced {
 public:
  StandardOutputSilenced() : saved_((std::fflush(stdout), ::dup(STDOUT_FILENO))) {
    const Descriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (saved_.get() >= 0 && null.get() >= 0) ::dup2(null.get(), STDOUT_FILENO);
  }
  ~StandardOutputSilenced() {
    std::fflush(stdout);
    if (saved_.get() >= 0) ::dup2(saved_.get(), STDOUT_FILENO);
  }
  StandardOutputSilenced(const StandardOutputSilenced&) = delete;
  StandardOutputSilenced& operator=(const StandardOutputSilenced&) = delete;

 private:
  Descriptor saved_;
};

std::string Text8(const variableLength& text) {
  if (text.data == nullptr || text.size <= 0) return {};
  std::string value(reinterpret_cast<const char*>(text.data), static_cast<std::size_t>(text.size));
  return value.substr(0, value.find('\0'));
}

// The long file name Outlook keeps among the attachment's properties, else
// the short title of the attachment. The library hands the UTF-16 name on
// as UTF-8.
std::string AttachmentName(Attachment& attachment) {
  variableLength* name = MAPIFindProperty(&attachment.MAPI, PROP_TAG(PT_UNICODE, PR_ATTACH_LONG_FILENAME));
  if (name != MAPI_UNDEFINED && name != nullptr && name->size > 0) return Text8(*name);
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
