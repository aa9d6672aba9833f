#include "desk/store/store_commands.h"

#include "desk/inputs/input_walk.h"
#include "desk/store/store_bytes.h"

namespace tarnwick::desk {
namespace {

// Commits every batch reports and opens the next transaction.
class Batches {
 public:
  Batches(ReportStore& store, int size) : store_(store), size_(size < 1 ? 1 : size) {}
  bool Start(std::string& error) { return store_.Begin(error); }
  bool Count(std::string& error) {
    if (++count_ % size_ != 0) return true;
    return store_.Commit(error) && store_.Begin(error);
  }
  bool Finish(std::string& error) { return store_.Commit(error); }

 private:
  ReportStore& store_;
  int size_;
  long count_ = 0;
};

}  // namespace

bool IndexInputs(ReportStore& store, Checker& checker, const std::vector<std::string>& inputs,
                 const IndexOptions& options, IndexCounts& counts, std::ostream& errors) {
  std::string error;
  Batches batches(store, options.batch);
  if (!batches.Start(error)) {
    errors << "tarnwick-desk: " << error << '\n';
    return false;
  }
  bool written = true;
  for (const std::string& input : inputs) {
    int found = 0;
    bool complained = false;
    WalkInput(
        input,
        [&](FoundReport part) {
          if (!written) return;
          const std::string indexedAt = options.indexedAt.empty() ? NowRfc3339() : options.indexedAt;
          const std::string sha256 = Sha256Hex(part.bytes);
          if (const auto id = store.FindDigest(sha256)) {
            ++found;
            ++counts.present;
            written = store.AddSource(*id, part, indexedAt, error) && batches.Count(error);
            return;
          }
          auto report = ReadReport(part, options.read);
          if (!report) {
            ++counts.refused;
            errors << "tarnwick-desk: " << part.source << ": not a report (no \"Tool Version\" section)\n";
            complained = true;
            return;
          }
          ++found;
          ++counts.added;
          written = store.AddReport(part, sha256, *report, checker.RunChecks(*report), indexedAt, error).has_value() &&
                    batches.Count(error);
        },
        [&](InputProblem problem) {
          ++counts.refused;
          complained = true;
          errors << "tarnwick-desk: " << problem.input << ": " << problem.reason << '\n';
        });
    if (!written) break;
    if (found == 0 && !complained) {
      ++counts.refused;
      errors << "tarnwick-desk: " << input << ": holds no report\n";
    }
  }
  if (written && batches.Finish(error)) return true;
  errors << "tarnwick-desk: " << error << '\n';
  return false;
}

std::optional<int> Recheck(ReportStore& store, Checker& checker, const RecheckOptions& options, std::ostream& errors) {
  const std::vector<std::int64_t> ids = options.from ? store.ReportsFrom(*options.from) : store.AllReports();
  std::string error;
  Batches batches(store, options.batch);
  if (!batches.Start(error)) {
    errors << "tarnwick-desk: " << error << '\n';
    return std::nullopt;
  }
  int rechecked = 0;
  for (std::int64_t id : ids) {
    auto stored = store.Load(id, error);
    if (!stored) {
      errors << "tarnwick-desk: " << error << '\n';
      continue;
    }
    const std::optional<int> codePage = options.codePage ? options.codePage : stored->codePageSet;
    auto report = ReadReport(stored->found, ReadOptions{.codePage = codePage});
    if (!report) {
      errors << "tarnwick-desk: report " << id << ": no longer read as a report\n";
      continue;
    }
    if (!store.Rederive(id, *report, checker.RunChecks(*report), codePage, error) || !batches.Count(error)) {
      errors << "tarnwick-desk: " << error << '\n';
      return std::nullopt;
    }
    ++rechecked;
  }
  if (!batches.Finish(error)) {
    errors << "tarnwick-desk: " << error << '\n';
    return std::nullopt;
  }
  return rechecked;
}

}  // namespace tarnwick::desk
