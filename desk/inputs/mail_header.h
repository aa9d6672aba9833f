// The header of one mail as the desk shows it: From, Date, Subject and
// Message-ID, decoded to UTF-8, the date in RFC 3339.
#pragma once

#include <gmime/gmime.h>

#include "desk/found_report.h"

namespace tarnwick::desk {

MailHeader ReadMailHeader(GMimeMessage* message);

}  // namespace tarnwick::desk
