// Mails and mailboxes through GMime. The parser keeps the stream and hands
// out each part as a window on it, so a mailbox's messages are never all in
// memory at once, and each message's size is checked before its parts are
// decoded.
#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "desk/inputs/library_owners.h"
#include "desk/inputs/mail_header.h"
#include "desk/inputs/source_names.h"
#include "desk/inputs/walk.h"

namespace tarnwick::desk {
namespace {

class MessageWalk {
 public:
  MessageWalk(Walk& walk, std::string source, MailHeader header)
      : walk_(walk), source_(std::move(source)), header_(std::move(header)) {}

  void Object(GMimeObject* object, int depth);

 private:
  void Part(GMimePart* part, const std::string& name, int depth);

  Walk& walk_;
  std::string source_;
  MailHeader header_;
  SourceNames names_;
  int position_ = 0;
};

void WalkMessage(Walk& walk, GMimeMessage* message, const Place& place);

// Transport encodings that keep the bytes, line ends included, as the sender
// had them; 7bit, 8bit and quoted-printable lines may be rewritten on the way.
bool KeepsLineEnds(GMimeContentEncoding encoding) {
  return encoding == GMIME_CONTENT_ENCODING_BASE64 || encoding == GMIME_CONTENT_ENCODING_BINARY ||
         encoding == GMIME_CONTENT_ENCODING_UUENCODE;
}

// The file name a mail part gives, in its disposition or its type.
std::string PartName(GMimeObject* object) {
  const char* name = g_mime_object_get_content_disposition_parameter(object, "filename");
  if (name == nullptr) name = g_mime_object_get_content_type_parameter(object, "name");
  return name != nullptr ? std::string(name) : std::string();
}

void MessageWalk::Object(GMimeObject* object, int depth) {
  if (GMIME_IS_MULTIPART(object)) {
    if (walk_.TooDeep(source_, depth)) return;
    auto* multipart = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multipart);
    for (int i = 0; i < count; ++i) Object(g_mime_multipart_get_part(multipart, i), depth + 1);
    return;
  }
  ++position_;
  const std::string name = names_.Name(PartName(object), position_);
  if (GMIME_IS_MESSAGE_PART(object)) {
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    if (inner != nullptr) WalkMessage(walk_, inner, {JoinSource(source_, name), header_, depth});
  } else if (GMIME_IS_PART(object)) {
    Part(GMIME_PART(object), name, depth);
  }
}

void MessageWalk::Part(GMimePart* part, const std::string& name, int depth) {
  const std::string source = JoinSource(source_, name);
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return;
  // The message is within the bounds, and decoding never makes a part larger
  // than its encoded bytes.
  const GObjectPtr<GMimeStream> decoded(g_mime_stream_mem_new());
  if (g_mime_data_wrapper_write_to_stream(content, decoded.get()) < 0) {
    return walk_.Problem(source, "the part cannot be decoded");
  }
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(decoded.get()));
  const std::string_view data(reinterpret_cast<const char*>(bytes->data), bytes->len);
  WalkBytes(walk_, {source, header_, depth},
            {.name = name,
             .data = data,
             .origin = Origin::kAttachment,
             .lineEndsAsWritten = KeepsLineEnds(g_mime_part_get_content_encoding(part))});
}

void WalkMessage(Walk& walk, GMimeMessage* message, const Place& place) {
  if (walk.TooDeep(place.source, place.depth)) return;
  MessageWalk parts(walk, place.source, ReadMailHeader(message));
  if (GMimeObject* body = g_mime_message_get_mime_part(message); body != nullptr) {
    parts.Object(body, place.depth + 1);
  }
}

GObjectPtr<GMimeParser> Parser(GMimeStream* stream, GMimeFormat format) {
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
  g_mime_parser_set_format(parser.get(), format);
  g_mime_parser_set_persist_stream(parser.get(), TRUE);
  return parser;
}

// Every message of a mailbox, numbered from 1.
void WalkMbox(Walk& walk, const Place& place, GMimeStream* stream) {
  const GObjectPtr<GMimeParser> parser = Parser(stream, GMIME_FORMAT_MBOX);
  for (int number = 1; !g_mime_parser_eos(parser.get()); ++number) {
    const GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (message == nullptr) break;
    const std::string source = place.source + "#" + std::to_string(number);
    const gint64 size = g_mime_parser_tell(parser.get()) - g_mime_parser_get_mbox_marker_offset(parser.get());
    if (size > 0 && static_cast<std::uint64_t>(size) > walk.limits.maxPartBytes) {
      walk.Problem(source, walk.TooLargeReason());
      continue;
    }
    WalkMessage(walk, message.get(), {source, place.mail, place.depth});
  }
}

GObjectPtr<GMimeStream> MemoryStream(std::string_view bytes) {
  return GObjectPtr<GMimeStream>(
      g_mime_stream_mem_new_with_buffer(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

void EnsureGMime() {
  static const bool ready = [] {
    g_mime_init();
    return true;
  }();
  (void)ready;
}

void WalkMessageBytes(Walk& walk, const Place& place, std::string_view bytes) {
  EnsureGMime();
  const GObjectPtr<GMimeStream> stream = MemoryStream(bytes);
  const GObjectPtr<GMimeParser> parser = Parser(stream.get(), GMIME_FORMAT_MESSAGE);
  const GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (message == nullptr) return walk.Problem(place.source, "not a readable mail message");
  WalkMessage(walk, message.get(), place);
}

void WalkMboxBytes(Walk& walk, const Place& place, std::string_view bytes) {
  EnsureGMime();
  const GObjectPtr<GMimeStream> stream = MemoryStream(bytes);
  WalkMbox(walk, place, stream.get());
}

void WalkMboxFile(Walk& walk, const Place& place, int descriptor) {
  EnsureGMime();
  const int own = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return walk.Problem(place.source, std::strerror(errno));
  const GObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(own));
  WalkMbox(walk, place, stream.get());
}

}  // namespace tarnwick::desk
