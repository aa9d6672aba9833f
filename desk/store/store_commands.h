// index, recheck and forget: the store's commands, each over an open store.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "desk/checks.h"
#include "desk/store/report_store.h"

namespace tarnwick::desk {

// Reports per transaction: a killed run leaves the database at the end of
// the last whole batch, and re-running the command adds the rest.
constexpr int kIndexBatch = 500;

struct IndexCounts {
  int added = 0;
  int present = 0;  // the same bytes were stored before (maybe from another source)
  int refused = 0;  // unreadable parts, or parts that are not reports
};

struct IndexOptions {
  int batch = kIndexBatch;
  ReadOptions read;
  std::string indexedAt;  // empty: now
};

// Adds every report the inputs hold; a problem of one input goes to errors
// and the others are still read. False when the database refused a write.
bool IndexInputs(ReportStore& store, Checker& checker, const std::vector<std::string>& inputs,
                 const IndexOptions& options, IndexCounts& counts, std::ostream& errors);

struct RecheckOptions {
  std::optional<std::string> from;  // only this sender's reports
  std::optional<int> codePage;      // read them in this code page from now on
  int batch = kIndexBatch;
};

// Reads the stored bytes again and replaces entries, findings and summary;
// the number of reports rechecked, nothing when the database refused.
std::optional<int> Recheck(ReportStore& store, Checker& checker, const RecheckOptions& options, std::ostream& errors);

}  // namespace tarnwick::desk
