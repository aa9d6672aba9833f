// replay_bench: the whole replay run of a large generated computer (300
// devices, 500 installed applications with 32 file lookups each, 22 filter
// categories of 50 filters), as tarnwick-replay makes it: the machine folder
// loaded, the collection run written to OUT/drive_c/SystemInfo.ini with its
// copy, and OUT/rows.tsv. Prints the best of a few rounds: the total time,
// the run split into the collectors' own time and the report writing (every
// report call, the clearing and the copy), the rows and the report's size,
// and the bytes written per byte of the final report. Given a folder, it
// also writes the machine there, for tarnwick-replay.
#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/console_table.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/posix/mapped_files.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_platform.h"
#include "tests/tools/large_machine.h"
#include "bench/system_bytes.h"

namespace {

using namespace tarnwick;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;  // the best round counts

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Where the time of one run goes.
struct RunTimes {
  Clock::duration collectorSteps{};  // the collectors, their report calls included
  Clock::duration collectorReportCalls{};
  Clock::duration fileCalls{};  // time in the file system calls of the report
};
RunTimes* gTimes = nullptr;

// A collector's report calls, timed on their way to the dialog.
class TimedWriter final : public ReportWriter {
 public:
  explicit TimedWriter(ReportWriter& inner) : inner_(inner) {}
  void AddReportEntry(std::string_view section, std::string_view key, std::string_view value) override {
    const auto start = Clock::now();
    inner_.AddReportEntry(section, key, value);
    gTimes->collectorReportCalls += Clock::now() - start;
  }
  void AppendGroupSeparator() override {
    const auto start = Clock::now();
    inner_.AppendGroupSeparator();
    gTimes->collectorReportCalls += Clock::now() - start;
  }

 private:
  ReportWriter& inner_;
};

// The standard steps, each called through a wrapper that times it and gives
// it the timed writer. Wrappers are plain functions, as the steps are, so
// each slot has its own.
constexpr std::size_t kSlots = 32;
std::array<Collector, kSlots> gCollectors{};
CategoryCollector gCategoryCollector = nullptr;

template <std::size_t slot>
void TimedCollector(CollectorContext& context) {
  TimedWriter writer(context.report);
  CollectorContext timed{writer, context.registry, context.platform, context.diagnostics, context.state};
  const auto start = Clock::now();
  gCollectors[slot](timed);
  gTimes->collectorSteps += Clock::now() - start;
}

void TimedCategory(CollectorContext& context, std::string_view label, const Guid& category) {
  TimedWriter writer(context.report);
  CollectorContext timed{writer, context.registry, context.platform, context.diagnostics, context.state};
  const auto start = Clock::now();
  gCategoryCollector(timed, label, category);
  gTimes->collectorSteps += Clock::now() - start;
}

template <std::size_t... slots>
constexpr std::array<Collector, kSlots> Wrappers(std::index_sequence<slots...>) {
  return {&TimedCollector<slots>...};
}

CollectionSteps TimedSteps() {
  static constexpr auto wrappers = Wrappers(std::make_index_sequence<kSlots>());
  const CollectionSteps& standard = StandardCollectionSteps();
  CollectionSteps steps{{}, {}, TimedCategory};
  std::size_t slot = 0;
  for (const auto& [from, to] : {std::pair{&standard.beforeTunerRelease, &steps.beforeTunerRelease},
                                 std::pair{&standard.afterTunerRelease, &steps.afterTunerRelease}}) {
    for (const Collector collect : *from) {
      gCollectors.at(slot) = collect;
      to->push_back(wrappers[slot++]);
    }
  }
  gCategoryCollector = standard.filterCategory;
  return steps;
}

template <typename Call>
auto TimedFileCall(Call call) {
  const auto start = Clock::now();
  auto result = call();
  gTimes->fileCalls += Clock::now() - start;
  return result;
}

// Times and counts what the report hands to the file system.
class CountingFiles final : public ReportFiles {
 public:
  explicit CountingFiles(ReportFiles& inner) : inner_(inner) {}

  std::optional<std::string> Read(std::string_view path) override { return TimedFileCall([&] { return inner_.Read(path); }); }
  std::optional<std::uint64_t> Size(std::string_view path) override {
    return TimedFileCall([&] { return inner_.Size(path); });
  }
  bool Append(std::string_view path, std::string_view bytes) override {
    written += bytes.size();
    ++appends;
    return TimedFileCall([&] { return inner_.Append(path, bytes); });
  }
  bool ReplaceAtomically(std::string_view path, std::string_view content) override {
    written += content.size();
    ++replacements;
    return TimedFileCall([&] { return inner_.ReplaceAtomically(path, content); });
  }
  bool ReplaceAgain(std::string_view path, std::string_view content) override {
    written += content.size();
    ++replacements;
    return TimedFileCall([&] { return inner_.ReplaceAgain(path, content); });
  }
  void Settle(std::string_view path) override {
    TimedFileCall([&] {
      inner_.Settle(path);
      return true;
    });
  }
  bool Delete(std::string_view path) override { return TimedFileCall([&] { return inner_.Delete(path); }); }
  bool Copy(std::string_view from, std::string_view to) override {
    return TimedFileCall([&] { return inner_.Copy(from, to); });
  }

  std::uint64_t written = 0;
  int appends = 0;
  int replacements = 0;

 private:
  ReportFiles& inner_;
};

using bench::SystemBytesWritten;

struct Round {
  Clock::duration total{};
  Clock::duration load{};
  Clock::duration run{};
  Clock::duration rows{};
  RunTimes times;
  std::size_t rowCount = 0;
  std::uint64_t reportSize = 0;
  std::uint64_t written = 0;
  std::uint64_t systemWritten = 0;
  int appends = 0;
  int replacements = 0;
};

std::optional<Round> RunOnce(const std::string& machineFolder, const std::string& outFolder) {
  std::error_code ignored;
  std::filesystem::remove_all(outFolder, ignored);
  Round round;
  gTimes = &round.times;
  const CollectionSteps steps = TimedSteps();

  const auto start = Clock::now();
  ReplayMachine machine;
  if (const auto error = LoadMachineFolder(machineFolder, machine)) {
    std::fprintf(stderr, "replay_bench: %s\n", Describe(*error).c_str());
    return std::nullopt;
  }
  ReplayPlatform replay(machine, outFolder);
  if (const auto problem = replay.CreateOutputFolders()) {
    std::fprintf(stderr, "replay_bench: %s\n", problem->c_str());
    return std::nullopt;
  }
  const auto loaded = Clock::now();

  Platform& base = replay.Services();
  CountingFiles files(base.files);
  Platform platform{base.registry, base.system,       base.memoryPower,  base.users,
                    base.libraries, base.devices,     base.waveOutput,   base.wmi,
                    base.directShow, base.fileVersions, base.executable, files};
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(platform, rows, diagnostics, steps);
  const std::uint64_t systemBefore = SystemBytesWritten();
  dialog.RunCollection();
  round.systemWritten = SystemBytesWritten() - systemBefore;
  const auto ran = Clock::now();

  if (!ReplaceHostFile(outFolder + "/rows.tsv", RowsTsv(rows.Rows()))) {
    std::fprintf(stderr, "replay_bench: cannot write rows.tsv\n");
    return std::nullopt;
  }
  const auto end = Clock::now();
  for (const std::string& problem : ReportProblems(dialog, dialog.ReportPath())) {
    std::fprintf(stderr, "replay_bench: %s\n", problem.c_str());
    return std::nullopt;
  }
  if (!dialog.CopiedTo()) {
    std::fprintf(stderr, "replay_bench: no copy beside the program\n");
    return std::nullopt;
  }

  round.total = end - start;
  round.load = loaded - start;
  round.run = ran - loaded;
  round.rows = end - ran;
  round.rowCount = rows.Rows().size();
  round.reportSize = base.files.Size(dialog.ReportPath()).value_or(0);
  round.written = files.written;
  round.appends = files.appends;
  round.replacements = files.replacements;
  gTimes = nullptr;
  return round;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::fprintf(stderr, "usage: replay_bench [MACHINE]\n(with MACHINE, the machine folder is also written there)\n");
    return 2;
  }
  if (argc == 2 && !large_machine::WriteMachineFolder(argv[1])) {
    std::fprintf(stderr, "replay_bench: cannot write the machine folder %s\n", argv[1]);
    return 1;
  }
  std::string folder = (std::filesystem::temp_directory_path() / "tarnwick-replay-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    std::perror("replay_bench: mkdtemp");
    return 1;
  }
  const std::string machineFolder = folder + "/machine";
  const std::string outFolder = folder + "/out";
  std::optional<Round> best;
  bool failed = !large_machine::WriteMachineFolder(machineFolder);
  for (int i = 0; i < kRounds && !failed; ++i) {
    const auto round = RunOnce(machineFolder, outFolder);
    if (!round) failed = true;
    if (round && (!best || round->total < best->total)) best = round;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (failed || !best || best->reportSize == 0) {
    std::fprintf(stderr, "replay_bench: the run failed\n");
    return 1;
  }

  const Round& r = *best;
  const Clock::duration collectors = r.times.collectorSteps - r.times.collectorReportCalls;
  const Clock::duration reportWriting = r.run - collectors;
  std::printf("whole replay run: %.1f ms (best of %d rounds; %zu rows, report %llu bytes)\n", Seconds(r.total) * 1000,
              kRounds, r.rowCount, static_cast<unsigned long long>(r.reportSize));
  std::printf("  loading the machine folder: %.1f ms\n", Seconds(r.load) * 1000);
  std::printf("  collection run: %.1f ms = collectors %.1f ms + report writing %.1f ms (%.1f ms in file calls)\n",
              Seconds(r.run) * 1000, Seconds(collectors) * 1000, Seconds(reportWriting) * 1000,
              Seconds(r.times.fileCalls) * 1000);
  std::printf("  rows.tsv: %.1f ms\n", Seconds(r.rows) * 1000);
  // The file layer rewrites the file itself where an append would cross a
  // page boundary; the system's count includes those writes and the copy.
  std::printf(
      "bytes written per byte of final file: %.2f (%llu bytes through the file calls, %d appends, %d whole "
      "rewrites; %.2f counting every byte handed to the system, the copy included)\n",
      static_cast<double>(r.written) / static_cast<double>(r.reportSize), static_cast<unsigned long long>(r.written),
      r.appends, r.replacements, static_cast<double>(r.systemWritten) / static_cast<double>(r.reportSize));
  return 0;
}
