#include "desk/inputs/mail_header.h"

#include "desk/inputs/library_owners.h"

namespace tarnwick::desk {
namespace {

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

std::string Owned(char* text) {
  const GString owner(text);
  return Text(text);
}

}  // namespace

MailHeader ReadMailHeader(GMimeMessage* message) {
  MailHeader header;
  if (InternetAddressList* from = g_mime_message_get_from(message);
      from != nullptr && internet_address_list_length(from) > 0) {
    header.from = Owned(internet_address_list_to_string(from, nullptr, FALSE));
  }
  // GMime gives the date with the sender's own offset, as the header wrote it.
  if (GDateTime* date = g_mime_message_get_date(message); date != nullptr) {
    header.date = Owned(g_date_time_format(date, "%Y-%m-%dT%H:%M:%S%:z"));
  }
  header.subject = Text(g_mime_message_get_subject(message));
  header.messageId = Text(g_mime_message_get_message_id(message));
  return header;
}

}  // namespace tarnwick::desk
