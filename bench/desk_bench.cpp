// desk_bench: `tarnwick-desk check`, whole process (start, rules, database,
// reading, checks, output), on one report and on 10,000 reports. The corpus
// is made from the test machines replayed by tarnwick-replay, each report
// varied: the customer's locale and country, the USB type, the tuner's
// video standard and MCE setting, a run cut short, LF line ends, a stray
// line. Prints the median and best run against the targets (one report
// under 10 ms, 10,000 under 10 s).
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kReports = 10000;
constexpr int kSingleRuns = 51;
constexpr int kCorpusRuns = 3;

struct Variation {
  const char* locale;
  const char* country;
};
constexpr Variation kPlaces[] = {{"00000407", "49"}, {"00000409", "1"},  {"0000040C", "33"},
                                 {"00000419", "7"},  {"00000411", "81"}, {"00000416", "55"}};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string Varied(const std::string& base, int i) {
  const Variation& place = kPlaces[i % std::size(kPlaces)];
  std::string text = base;
  const std::size_t locale = text.find("Locale=");
  if (locale != std::string::npos) text.replace(locale + 7, text.find('\r', locale) - locale - 7, place.locale);
  const std::size_t country = text.find("CountryCode=");
  if (country != std::string::npos) text.replace(country + 12, text.find('\r', country) - country - 12, place.country);
  if (i % 3 == 0) text = Replace(text, "USB TYPE=2.0", "USB TYPE=1.1");
  if (i % 5 == 0) text = Replace(text, "Video Standard=PAL", "Video Standard=NTSC");
  if (i % 7 == 0) text = Replace(text, "MCE Item=No", "MCE Item=Yes");
  if (i % 11 == 0) text = text.substr(0, text.find("[Filter Name]"));
  if (i % 13 == 0) text = Replace(text, "\r\n", "\n");
  if (i % 17 == 0) text += "edited by hand\r\n";
  return text;
}

double gChildCpuSeconds = 0;  // user and system time of the last run

// Runs the program with its output thrown away; its exit status.
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int status = -1;
  rusage usage{};
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) wait4(child, &status, 0, &usage);
  const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  gChildCpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Timing {
  double median;
  double best;
  double cpuMedian;  // processor time: on a busy machine closer to the cost than the wall clock
  int status;
};

Timing Time(const std::vector<std::string>& args, int runs) {
  std::vector<double> seconds;
  std::vector<double> cpu;
  int status = 0;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    status = Run(args);
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    cpu.push_back(gChildCpuSeconds);
  }
  std::sort(seconds.begin(), seconds.end());
  std::sort(cpu.begin(), cpu.end());
  return {seconds[seconds.size() / 2], seconds.front(), cpu[cpu.size() / 2], status};
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (fs::path(tmp ? tmp : "/tmp") / "desk-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path scratch = pattern;
  std::vector<std::string> bases;
  for (const auto& machine : fs::directory_iterator(MACHINES_DIR)) {
    const fs::path out = scratch / "replayed" / machine.path().filename();
    if (Run({REPLAY_PROGRAM, machine.path().string(), out.string()}) != 0) continue;
    std::ifstream in(out / "drive_c" / "SystemInfo.ini", std::ios::binary);
    bases.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (bases.empty()) {
    std::fprintf(stderr, "desk_bench: no machine could be replayed\n");
    return 1;
  }
  const fs::path corpus = scratch / "corpus";
  fs::create_directories(corpus);
  std::vector<std::string> check{DESK_PROGRAM, "check"};
  std::size_t bytes = 0;
  for (int i = 0; i < kReports; ++i) {
    const std::string text = Varied(bases[static_cast<std::size_t>(i) % bases.size()], i);
    const fs::path file = corpus / ("report-" + std::to_string(i) + ".ini");
    std::ofstream(file, std::ios::binary) << text;
    check.push_back(file.string());
    bytes += text.size();
  }
  std::printf("desk_bench: %d reports from %zu replayed machines, %.1f MB\n", kReports, bases.size(), bytes / 1e6);

  const Timing one = Time({DESK_PROGRAM, "check", check[2]}, kSingleRuns);
  std::printf("check of one report, whole process: median %.2f ms, best %.2f ms, processor time %.2f ms (target < 10 ms)\n",
              one.median * 1e3, one.best * 1e3, one.cpuMedian * 1e3);
  const Timing many = Time(check, kCorpusRuns);
  std::printf("check of %d reports named, whole process: median %.2f s, best %.2f s, processor time %.2f s (target < 10 s), exit %d\n",
              kReports, many.median, many.best, many.cpuMedian, many.status);
  // The folder itself, once the input walk reads folders.
  const Timing folder = Time({DESK_PROGRAM, "check", corpus.string()}, 1);
  if (folder.status != 2) std::printf("check of the folder: %.2f s, exit %d\n", folder.best, folder.status);
  fs::remove_all(scratch);
  return 0;
}
