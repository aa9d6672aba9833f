#include "desk/store/store_commands.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

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

// Reports read and checked on one thread, stored on another: the reading
// and the writing each take about half the time. At most kQueued wait.
class Handover {
 public:
  struct Item {
    FoundReport found;
    std::string sha256;
    Derived derived;
  };
  void Put(Item item) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return queue_.size() < kQueued || stopped_; });
    if (stopped_) return;
    queue_.push_back(std::move(item));
    ready_.notify_one();
  }
  std::optional<Item> Take() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !queue_.empty() || finished_; });
    if (queue_.empty()) return std::nullopt;
    Item item = std::move(queue_.front());
    queue_.pop_front();
    room_.notify_one();
    return item;
  }
  void Finish() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    ready_.notify_one();
  }
  // The writer gave up: the reader drops what it still finds.
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    queue_.clear();
    room_.notify_one();
  }

 private:
  static constexpr std::size_t kQueued = 64;
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::deque<Item> queue_;
  bool finished_ = false, stopped_ = false;
};

void ReadInputs(Handover& handover, Checker& checker, const std::vector<std::string>& inputs, const ReadOptions& read,
                int& refused, std::ostream& errors) {
  for (const std::string& input : inputs) {
    int found = 0;
    bool complained = false;
    WalkInput(
        input,
        [&](FoundReport part) {
          auto report = ReadReport(part, read);
          if (!report) {
            ++refused;
            errors << "tarnwick-desk: " << part.source << ": not a report (no \"Tool Version\" section)\n";
            complained = true;
            return;
          }
          ++found;
          std::string sha256 = Sha256Hex(part.bytes);
          handover.Put({std::move(part), std::move(sha256), Derive(std::move(*report), checker)});
        },
        [&](InputProblem problem) {
          ++refused;
          complained = true;
          errors << "tarnwick-desk: " << problem.input << ": " << problem.reason << '\n';
        });
    if (found == 0 && !complained) {
      ++refused;
      errors << "tarnwick-desk: " << input << ": holds no report\n";
    }
  }
  handover.Finish();
}

}  // namespace

bool IndexInputs(ReportStore& store, Checker& checker, const std::vector<std::string>& inputs,
                 const IndexOptions& options, IndexCounts& counts, std::ostream& errors) {
  std::string error;
  Batches batches(store, options.batch);
  if (!batches.Start(error)) {
    errors << "tarnwick-desk: " << error << '\n';
    return false;
  }
  Handover handover;
  std::thread reader(ReadInputs, std::ref(handover), std::ref(checker), std::cref(inputs), std::cref(options.read),
                     std::ref(counts.refused), std::ref(errors));
  bool written = true;
  while (auto item = handover.Take()) {
    const std::string indexedAt = options.indexedAt.empty() ? NowRfc3339() : options.indexedAt;
    if (const auto id = store.FindDigest(item->sha256)) {
      ++counts.present;
      written = store.AddSource(*id, item->found, indexedAt, error) && batches.Count(error);
    } else {
      ++counts.added;
      written = store.AddReport(item->found, item->sha256, item->derived, indexedAt, error).has_value() &&
                batches.Count(error);
    }
    if (!written) {
      handover.Stop();
      break;
    }
  }
  reader.join();
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
    if (!store.Rederive(id, Derive(std::move(*report), checker), codePage, error) || !batches.Count(error)) {
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
