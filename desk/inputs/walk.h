// The walk's shared state and its steps, one per kind of container. Every
// step hands the parts it finds to WalkBytes, which opens what is a container
// and hands on what may be a report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "desk/found_report.h"
#include "desk/inputs/input_walk.h"
#include "desk/inputs/walk_limits.h"

namespace tarnwick::desk {

struct Walk {
  const FoundReportSink& found;
  const InputProblemSink& problem;
  WalkLimits limits;
  int reports = 0;
  int problems = 0;

  void Found(FoundReport report) {
    ++reports;
    found(std::move(report));
  }
  void Problem(std::string source, std::string reason) {
    ++problems;
    problem({std::move(source), std::move(reason)});
  }
  // Refuses a container whose parts would stand deeper than allowed.
  bool TooDeep(const std::string& source, int depth);
  std::string TooLargeReason() const;
};

// "64 MB", or the bytes when not whole megabytes.
std::string SizeText(std::uint64_t bytes);

// Where a part stands: its source, the innermost mail it came with, and how
// many containers hold it.
struct Place {
  std::string source;
  std::optional<MailHeader> mail;
  int depth = 0;
};

// Where the bytes came from, which decides what they may be.
enum class Origin {
  kNamedFile,    // named on the command line: may be a report whatever it holds
  kFolderFile,   // in a folder or zip: a mail when it looks like one
  kMailFile,     // a maildir's message
  kAttachment,   // a mail part: a mail only by its ".eml" name
};

struct Bytes {
  std::string_view name;
  std::string_view data;
  Origin origin;
  bool lineEndsAsWritten;
};

void WalkBytes(Walk& walk, const Place& place, const Bytes& bytes);

// Containers held in memory.
void WalkMessageBytes(Walk& walk, const Place& place, std::string_view bytes);
void WalkMboxBytes(Walk& walk, const Place& place, std::string_view bytes);
void WalkZip(Walk& walk, const Place& place, std::string_view bytes);
void WalkTnef(Walk& walk, const Place& place, std::string_view bytes);

// An mbox file read as a stream, so a mailbox of any size is walked one
// message at a time.
void WalkMboxFile(Walk& walk, const Place& place, int descriptor);

}  // namespace tarnwick::desk
