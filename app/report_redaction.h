// What --redact takes out of the rows and the report, for customers who must
// not send it: the user's name wherever it stands as a word (the account
// entry, folders below the user's profile), the board's serial number, and
// the instance part of device instance paths (a USB device's own serial
// number, or where the device sits). Each becomes "<redacted>".
#pragma once

#include <string>
#include <string_view>

#include "collectors/report_writer.h"

namespace tarnwick {

inline constexpr std::string_view kRedacted = "<redacted>";

class Redaction {
 public:
  // userName: the account's name as the platform gives it; empty for none.
  explicit Redaction(std::string userName) : userName_(std::move(userName)) {}

  ReportEntry Apply(ReportEntry entry) const;

 private:
  std::string RedactText(std::string_view text) const;

  std::string userName_;
};

}  // namespace tarnwick
