// desk_store_bench: the desk's store at scale, whole process each time.
//   desk_store_bench [REPORTS [PAGE_REPORTS]]   (default 100000 and 10000)
// The corpus is the test machines replayed by tarnwick-replay, each report
// varied (locale and country, USB type, video standard, driver version, a
// serial number), every one distinct. Measured: index into a new database
// (reports and entry rows a second, peak memory; target 2,000 reports a
// second, 100,000 under 60 s, under 300 MB), table --csv of all of them
// (target 100,000 under 5 s) and page of PAGE_REPORTS (target 10,000 under
// 30 s).
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

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

struct Variation {
  const char* locale;
  const char* country;
};
constexpr Variation kPlaces[] = {{"00000407", "49"}, {"00000409", "1"},  {"0000040C", "33"},
                                 {"00000419", "7"},  {"00000411", "81"}, {"00000416", "55"}};
constexpr const char* kDriverVersions[] = {"5.2.1.0", "5.8.3.1", "6.0.0.4", "6.1.2.0"};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

void SetValue(std::string& text, const std::string& key, const std::string& value) {
  const std::size_t at = text.find(key + "=");
  if (at == std::string::npos) return;
  const std::size_t start = at + key.size() + 1;
  text.replace(start, text.find('\r', start) - start, value);
}

std::string Varied(const std::string& base, long i) {
  const Variation& place = kPlaces[static_cast<std::size_t>(i) % std::size(kPlaces)];
  std::string text = base;
  SetValue(text, "Locale", place.locale);
  SetValue(text, "CountryCode", place.country);
  SetValue(text, "Empia ID 3_DriverVersion", kDriverVersions[static_cast<std::size_t>(i / 7) % std::size(kDriverVersions)]);
  if (i % 3 == 0) text = Replace(text, "USB TYPE=2.0", "USB TYPE=1.1");
  if (i % 5 == 0) text = Replace(text, "Video Standard=PAL", "Video Standard=NTSC");
  // A serial number makes every report distinct, as every customer's is.
  return text + "[Bench]\r\nSerial=" + std::to_string(i) + "\r\n";
}

struct Outcome {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system: on a shared machine closer to the cost than the wall clock
  long maxRssKb = 0;
  int status = -1;
};

Outcome Run(const std::vector<std::string>& args, const char* output = "/dev/null") {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  Outcome outcome;
  pid_t child = 0;
  rusage usage{};
  int status = 0;
  const auto start = std::chrono::steady_clock::now();
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) wait4(child, &status, 0, &usage);
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.maxRssKb = usage.ru_maxrss;
  const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  outcome.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  posix_spawn_file_actions_destroy(&actions);
  return outcome;
}

long long Count(const std::string& db, const char* sql) {
  sqlite3* handle = nullptr;
  long long count = -1;
  sqlite3_stmt* query = nullptr;
  if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(handle, sql, -1, &query, nullptr) == SQLITE_OK && sqlite3_step(query) == SQLITE_ROW) {
    count = sqlite3_column_int64(query, 0);
  }
  sqlite3_finalize(query);
  sqlite3_close(handle);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const long reports = argc > 1 ? std::atol(argv[1]) : 100000;
  const long pageReports = argc > 2 ? std::atol(argv[2]) : 10000;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (fs::path(tmp ? tmp : "/tmp") / "desk-store-bench-XXXXXX").string();
  if (reports < 1 || pageReports < 1 || ::mkdtemp(pattern.data()) == nullptr) return 2;
  const fs::path scratch = pattern;
  std::vector<std::string> bases;
  for (const auto& machine : fs::directory_iterator(MACHINES_DIR)) {
    const fs::path out = scratch / "replayed" / machine.path().filename();
    if (Run({REPLAY_PROGRAM, machine.path().string(), out.string()}).status != 0) continue;
    std::ifstream in(out / "drive_c" / "SystemInfo.ini", std::ios::binary);
    bases.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (bases.empty()) {
    std::fprintf(stderr, "desk_store_bench: no machine could be replayed\n");
    return 1;
  }
  // Two folders: all reports, and the first PAGE_REPORTS for the page.
  std::size_t bytes = 0;
  for (const char* folder : {"corpus/all/part", "corpus/page"}) fs::create_directories(scratch / folder);
  for (long i = 0; i < reports; ++i) {
    const std::string text = Varied(bases[static_cast<std::size_t>(i) % bases.size()], i);
    const std::string name = "report-" + std::to_string(i) + ".ini";
    std::ofstream(scratch / "corpus/all/part" / name, std::ios::binary) << text;
    if (i < pageReports) std::ofstream(scratch / "corpus/page" / name, std::ios::binary) << text;
    bytes += text.size();
  }
  const std::string db = (scratch / "desk.db").string();
  const Outcome index = Run({DESK_PROGRAM, "index", db, (scratch / "corpus/all").string()});
  const long long stored = Count(db, "SELECT count(*) FROM reports");
  const long long rows = Count(db, "SELECT count(*) FROM entries");
  std::printf("desk_store_bench: %ld reports from %zu replayed machines, mean %.0f bytes and %.1f entry rows each\n",
              reports, bases.size(), static_cast<double>(bytes) / static_cast<double>(reports),
              static_cast<double>(rows) / static_cast<double>(stored > 0 ? stored : 1));
  std::printf("index: %.2f s (processor %.2f s), %.0f reports/s (target >= 2000), %.0f entry rows/s, peak memory %.1f MB "
              "(target < 300), %lld stored, exit %d, database %.1f MB\n",
              index.seconds, index.cpuSeconds, static_cast<double>(stored) / index.seconds,
              static_cast<double>(rows) / index.seconds,
              static_cast<double>(index.maxRssKb) / 1024.0, stored, index.status,
              static_cast<double>(fs::file_size(db)) / 1e6);
  const Outcome table = Run({DESK_PROGRAM, "table", "--db", db, "--csv"}, (scratch / "table.csv").c_str());
  std::printf("table --csv of %lld: %.2f s (processor %.2f s; target for 100,000: < 5 s), peak memory %.1f MB, exit %d\n",
              stored, table.seconds, table.cpuSeconds, static_cast<double>(table.maxRssKb) / 1024.0, table.status);
  const std::string pageDb = (scratch / "page.db").string();
  Run({DESK_PROGRAM, "index", pageDb, (scratch / "corpus/page").string()});
  const Outcome page = Run({DESK_PROGRAM, "page", "--db", pageDb, "-o", (scratch / "page").string()});
  std::printf("page of %ld: %.2f s (processor %.2f s; target for 10,000: < 30 s), peak memory %.1f MB, index.html %.1f MB, "
              "exit %d\n",
              pageReports, page.seconds, page.cpuSeconds, static_cast<double>(page.maxRssKb) / 1024.0,
              static_cast<double>(fs::file_size(scratch / "page/index.html")) / 1e6, page.status);
  if (std::getenv("DESK_STORE_BENCH_KEEP") != nullptr) {
    std::printf("kept: %s\n", scratch.c_str());
  } else {
    fs::remove_all(scratch);
  }
  return 0;
}
