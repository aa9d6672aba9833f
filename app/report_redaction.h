// What --redact takes out of the rows, the report and the diagnostics, for
// customers who must not send them, by what a text means rather than by the
// words it holds: the account's name in the "User Info" entry (its
// " is Administrator" stays), the profile folder in any path (the folder
// right below the profiles root, whatever its name; the shared ones stay),
// the computer's name where it stands as a whole value or a whole path
// component, the board's serial number, and the whole instance part of a
// device instance path. Each becomes "<redacted>"; device IDs, filter names,
// application keys and every other text stay as written.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "collectors/report_writer.h"
#include "platform/platform.h"

namespace tarnwick {

inline constexpr std::string_view kRedacted = "<redacted>";

struct RedactionFacts {
  std::string userName;      // as the platform gives it; empty for none
  std::string computerName;  // empty for none
  // Paths of folders that hold the profiles; "?:" at the start stands for
  // any drive.
  std::vector<std::string> profileRoots{"?:\\Documents and Settings", "?:\\Users"};
};

// The facts of this computer: the account, the computer's name and the
// profiles folder that Windows reports beside the usual ones.
RedactionFacts GatherRedactionFacts(Platform& platform);

class Redaction {
 public:
  explicit Redaction(RedactionFacts facts) : facts_(std::move(facts)) {}
  explicit Redaction(std::string userName) { facts_.userName = std::move(userName); }

  ReportEntry Apply(ReportEntry entry) const;
  // One line of diagnostics, without its line end.
  std::string RedactLine(std::string_view line) const;

 private:
  std::string RedactText(std::string_view text) const;
  bool IsProfileRootBefore(std::string_view text, std::size_t end) const;

  RedactionFacts facts_;
};

// Diagnostics on their way to target: passed on as written, or, once a
// redaction is set, a line at a time through it.
class RedactingBuffer final : public std::streambuf {
 public:
  explicit RedactingBuffer(std::ostream& target) : target_(target) {}
  ~RedactingBuffer() override { sync(); }

  void Use(const Redaction* redaction);

 protected:
  int overflow(int c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  std::ostream& target_;
  const Redaction* redaction_ = nullptr;
  std::string line_;
};

}  // namespace tarnwick
