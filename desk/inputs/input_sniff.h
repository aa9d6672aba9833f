// What a run of bytes is, told by its first bytes and its name: the walk
// never trusts a file name for a container, since customers and mail
// programs rename zips and TNEF streams freely.
#pragma once

#include <string_view>

namespace tarnwick::desk {

enum class ContentKind { kZip, kTnef, kMbox, kOther };

ContentKind SniffContent(std::string_view bytes);

// A name ending in ".ini", in any case.
bool HasReportName(std::string_view name);

// The bytes start with the report's first section "[Tool Version]", after an
// optional UTF-8 byte order mark and blanks or empty lines (an editor may
// have added either; the reader decides whether the rest is a report).
bool StartsLikeReport(std::string_view bytes);

// The bytes open with a mail header: the first line is a header field and a
// "From:", "Date:" or "Message-ID:" field stands before the first empty
// line. Used for files that carry no ".eml" name (a maildir's messages, a
// mail saved without extension).
bool StartsLikeMail(std::string_view bytes);

bool HasMailName(std::string_view name);

}  // namespace tarnwick::desk
