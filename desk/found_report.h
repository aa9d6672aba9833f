// What the desk finds in its inputs: the bytes of one report and where they
// came from. The input walker (mail, mailboxes, zip, TNEF, folders) yields
// these; the report reader, the checks and the store take them.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarnwick::desk {

// The header of the mail a report came with, texts decoded to UTF-8 (RFC 2047
// words included).
struct MailHeader {
  std::string from;
  std::string date;  // RFC 3339 ("2026-03-14T09:26:53+01:00"); empty when missing or unreadable
  std::string subject;
  std::string messageId;
};

struct FoundReport {
  // The path as given, then "#N" for the N-th message of an mbox (from 1),
  // then "/NAME" for each attachment or zip member on the way.
  std::string source;
  // The innermost mail the report was attached to; none for a plain file or
  // a zip member outside any mail.
  std::optional<MailHeader> mail;
  std::string bytes;  // the report's bytes as the customer's computer wrote them
  // False for a text part of a mail (7bit, 8bit, quoted-printable): mail
  // transport may have rewritten its line ends, so they prove nothing.
  bool lineEndsAsWritten = true;
};

// Why an input named on the command line gave no report.
struct InputProblem {
  std::string input;
  std::string reason;
};

using FoundReportSink = std::function<void(FoundReport)>;

}  // namespace tarnwick::desk
