// replay_bench: the whole replay run of a large generated computer (300
// devices, 500 installed applications with 32 file lookups each, 22 filter
// categories of 50 filters), as tarnwick-replay makes it: the machine folder
// loaded, the collection run written to OUT/drive_c/SystemInfo.ini with its
// copy, and OUT/rows.tsv. Prints the best of a few rounds: the total time,
// the run split into the collectors' own time and the report writing (every
// report call, the clearing and the copy), the rows and the report's size,
// and the bytes written per byte of the final report. Given a folder, it
// also writes the machine there, for tarnwick-replay.
//
// Then the growth with the device count: computers of 1,000, 2,000, 4,000
// and 8,000 PCI multimedia devices, each with a running driver (so each
// writes a "Media" group before its "System ID" entry), run whole the same
// way; the times and the ratio of the largest to the smallest, which linear
// growth keeps near 8.
#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
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

// A computer of nothing but PCI multimedia devices, each with a driver of
// the media class whose service runs.
bool WriteMediaMachine(const std::string& folder, int devices) {
  std::string reg = "REGEDIT4\n";
  std::string list;
  char text[256];
  for (int device = 0; device < devices; ++device) {
    std::snprintf(text, sizeof text, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X1043&REV_01", 0x1000 + device % 4096,
                  0x5000 + device / 4096, device);
    const std::string id = text;
    std::string escaped;
    for (const char c : id) escaped.append(c == '\\' ? "\\\\" : std::string(1, c));
    list.append(device == 0 ? "" : ",").append("[\"").append(escaped).append("\"]");
    std::snprintf(text, sizeof text, "%04d", device);
    const std::string driver = text;
    reg.append("\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\").append(id).append("\\4&1f7d0&0&")
        .append(driver).append("]\n\"Class\"=\"MEDIA\"\n\"Service\"=\"HdAudio\"\n")
        .append("\"Driver\"=\"{4D36E96C-E325-11CE-BFC1-08002BE10318}\\\\").append(driver).append("\"\n");
    reg.append("\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}\\")
        .append(driver).append("]\n\"ProviderName\"=\"Microsoft\"\n\"DriverDesc\"=\"High Definition Audio Device ")
        .append(driver).append("\"\n\"DriverVersion\"=\"6.0.6001.18000\"\n\"DriverDate\"=\"6-21-2006\"\n");
  }
  reg.append("\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\HdAudio\\Enum]\n\"Count\"=dword:00000001\n");
  std::string json = "{\"executablePath\": \"D:\\\\Support\\\\Tarnwick.exe\", \"devices\": [" + list + "]}\n";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  for (const auto& [name, content] : {std::pair{"registry.reg", &reg}, {"machine.json", &json}}) {
    std::ofstream out(std::filesystem::path(folder) / name, std::ios::binary | std::ios::trunc);
    out.write(content->data(), static_cast<std::streamsize>(content->size()));
    if (!out.flush()) return false;
  }
  return true;
}

// The best of a few rounds (fewer when one round is long).
std::optional<Round> BestRound(const std::string& machineFolder, const std::string& outFolder) {
  std::optional<Round> best;
  for (int i = 0; i < kRounds; ++i) {
    const auto round = RunOnce(machineFolder, outFolder);
    if (!round) return std::nullopt;
    if (!best || round->total < best->total) best = round;
    if (Seconds(round->total) > 5) break;
  }
  return best;
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
  if (large_machine::WriteMachineFolder(machineFolder)) best = BestRound(machineFolder, outFolder);
  if (!best || best->reportSize == 0) {
    std::fprintf(stderr, "replay_bench: the run failed\n");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
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

  std::printf("PCI multimedia devices with a driver, whole replay run (best of up to %d rounds):\n", kRounds);
  double first = 0;
  double last = 0;
  bool failed = false;
  for (const int devices : {1000, 2000, 4000, 8000}) {
    const std::string machine = folder + "/media-" + std::to_string(devices);
    const auto round = WriteMediaMachine(machine, devices) ? BestRound(machine, outFolder) : std::nullopt;
    if (!round) {
      failed = true;
      break;
    }
    const double seconds = Seconds(round->total);
    if (first == 0) first = seconds;
    last = seconds;
    std::printf("  %5d devices: %8.3f s (%zu rows, report %llu bytes, %.2f bytes written per byte)\n", devices,
                seconds, round->rowCount, static_cast<unsigned long long>(round->reportSize),
                static_cast<double>(round->written) / static_cast<double>(round->reportSize));
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (failed) {
    std::fprintf(stderr, "replay_bench: a device-count run failed\n");
    return 1;
  }
  std::printf("  time for 8000 / time for 1000: %.1f (linear growth: 8)\n", last / first);
  return 0;
}
