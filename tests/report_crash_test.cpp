// Crash safety of the report file: a writer program replays a fixed sequence
// of calls, and tarnwick-replay runs the whole collection against a large
// computer; both are killed at random moments. Whatever they leave on disk
// must be no report, the report that was there before, or exactly the report
// as it stood after one of the run's calls. TARNWICK_CRASH_KILLS=N makes each
// test kill N processes, whatever the time.
#ifdef TARNWICK_CRASH_WRITER

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "report_crash_sequence.h"
#include "report_test_files.h"

#ifdef TARNWICK_REPLAY_PROGRAM
#include <map>
#include <sstream>

#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_platform.h"
#include "tests/tools/large_machine.h"
#endif

extern char** environ;

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;
using testing_files::MemoryReportFiles;
using testing_files::ScratchFolder;

// Every content the report passes through, known by size and hash; index 0
// is "no file yet", index i the content after call i.
class ExpectedStates {
 public:
  ExpectedStates() : calls_(crash_sequence::Calls()) {
    MemoryReportFiles files;
    ReportFile report(files);
    states_.push_back({0, 0});
    for (const auto& call : calls_) {
      EXPECT_TRUE(crash_sequence::Apply(report, call));
      const std::string& content = files.files.at(std::string(kReportPath));
      states_.push_back({content.size(), std::hash<std::string>{}(content)});
    }
  }

  std::size_t Final() const { return calls_.size(); }

  // The index of the latest state that the content is, or nothing (a call
  // that changes nothing leaves the state before it again).
  std::optional<std::size_t> Match(const std::optional<std::string>& content) const {
    if (!content) return 0;
    const std::size_t hash = std::hash<std::string>{}(*content);
    for (std::size_t i = states_.size() - 1; i >= 1; --i) {
      if (states_[i].size == content->size() && states_[i].hash == hash && ContentAfter(i) == *content) return i;
    }
    return std::nullopt;
  }

  // For a content that is no state: the state that shares the longest start
  // with it, told as "after call i, first b of s bytes alike".
  std::string Nearest(const std::string& content) const {
    MemoryReportFiles files;
    ReportFile report(files);
    std::size_t best = 0;
    std::size_t bestIndex = 0;
    std::size_t bestSize = 0;
    for (std::size_t i = 0; i < calls_.size(); ++i) {
      crash_sequence::Apply(report, calls_[i]);
      const std::string& state = files.files.at(std::string(kReportPath));
      std::size_t alike = 0;
      while (alike < state.size() && alike < content.size() && state[alike] == content[alike]) ++alike;
      if (alike >= best) {
        best = alike;
        bestIndex = i + 1;
        bestSize = state.size();
      }
    }
    return "after call " + std::to_string(bestIndex) + ", first " + std::to_string(best) + " of " +
           std::to_string(bestSize) + " bytes alike";
  }

  std::string ContentAfter(std::size_t count) const {
    MemoryReportFiles files;
    ReportFile report(files);
    for (std::size_t i = 0; i < count; ++i) crash_sequence::Apply(report, calls_[i]);
    return files.files[std::string(kReportPath)];
  }

 private:
  struct State {
    std::size_t size;
    std::size_t hash;
  };
  std::vector<crash_sequence::Call> calls_;
  std::vector<State> states_;
};

// One child process, its standard output read through a pipe (or dropped).
class ChildProcess {
 public:
  enum class Output { Pipe, Drop };
  ChildProcess(std::vector<std::string> arguments, Output output) {
    int fds[2] = {-1, -1};
    if (output == Output::Pipe && ::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output == Output::Pipe) {
      posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (output == Output::Pipe) {
      ::close(fds[1]);
      output_ = fds[0];
    }
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) ::close(output_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }

  // Whether the writer program said, within the time, that it begins writing ('R')
  // or that it has written everything ('D').
  bool WaitForWord(char word, std::chrono::milliseconds limit) {
    pollfd ready{output_, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(limit.count())) != 1) return false;
    char byte = 0;
    return ::read(output_, &byte, 1) == 1 && byte == word;
  }

  void Kill() { ::kill(pid_, SIGKILL); }

  // The wait status, or nothing when the process has not ended in time (it
  // is then killed).
  std::optional<int> WaitForEnd(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (true) {
      int status = 0;
      const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        pid_ = -1;
        return status;
      }
      if (ended < 0 || Clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
};

constexpr auto kStartLimit = std::chrono::seconds(20);
constexpr auto kRunLimit = std::chrono::seconds(60);

std::optional<std::string> ReportIn(const ScratchFolder& folder) {
  return testing_files::ReadHost(folder.Host("SystemInfo.ini"));
}

// The files of the folder with their sizes, for a failure message.
std::string FolderListing(const ScratchFolder& folder) {
  std::string listing;
  for (const auto& file : std::filesystem::directory_iterator(folder.Path())) {
    std::error_code error;
    listing += file.path().filename().string() + " " + std::to_string(file.file_size(error)) + " bytes, ";
  }
  return listing;
}

ChildProcess StartWriter(const ScratchFolder& folder) {
  return ChildProcess({TARNWICK_CRASH_WRITER, folder.Path()}, ChildProcess::Output::Pipe);
}

// How many processes a kill test kills: as many as the time allows, between
// a least and a most count, or exactly the count TARNWICK_CRASH_KILLS asks
// for, however long that takes.
class KillCount {
 public:
  KillCount(int least, int most, Clock::duration budget) : least_(least), most_(most), budget_(budget) {
    const char* asked = std::getenv("TARNWICK_CRASH_KILLS");
    if (asked != nullptr && std::atoi(asked) > 0) least_ = most_ = std::atoi(asked);
  }
  bool More(int kills) const {
    return kills < most_ && (kills < least_ || Clock::now() - begin_ < budget_);
  }

 private:
  int least_;
  int most_;
  Clock::duration budget_;
  Clock::time_point begin_ = Clock::now();
};

// Runs one writer to its end; the time it spent writing, or nothing when it
// failed.
std::optional<Clock::duration> CompleteRun(const ScratchFolder& folder) {
  ChildProcess writer = StartWriter(folder);
  if (!writer.Started() || !writer.WaitForWord('R', kStartLimit)) return std::nullopt;
  const auto start = Clock::now();
  if (!writer.WaitForWord('D', kRunLimit)) return std::nullopt;
  const auto writing = Clock::now() - start;
  const auto status = writer.WaitForEnd(kRunLimit);
  if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return std::nullopt;
  return writing;
}

TEST(ReportCrash, CompleteRunLeavesFinalReport) {
  const ExpectedStates expected;
  ScratchFolder folder;
  ASSERT_TRUE(CompleteRun(folder).has_value());
  const auto content = ReportIn(folder);
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(*content, expected.ContentAfter(expected.Final()));
  EXPECT_EQ(expected.Match(content), expected.Final());
}

TEST(ReportCrash, KilledWriterLeavesAWholeReport) {
  const ExpectedStates expected;
  ScratchFolder folder;
  // The shortest of a few complete runs bounds the delays, so that most
  // kills land while the writer writes.
  std::optional<Clock::duration> runTime;
  for (int i = 0; i < 3; ++i) {
    const auto time = CompleteRun(folder);
    ASSERT_TRUE(time.has_value());
    if (!runTime || *time < *runTime) runTime = time;
  }

  const KillCount count(25, 200, std::chrono::seconds(20));
  std::mt19937 random(20080701);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(*runTime);
  std::uniform_int_distribution<long> delay(0, longest.count());

  int runs = 0;
  int missing = 0;
  int partial = 0;
  int complete = 0;
  for (; count.More(runs); ++runs) {
    folder.RemoveAll();  // a killed writer may leave its temporary file
    ChildProcess writer = StartWriter(folder);
    ASSERT_TRUE(writer.Started());
    ASSERT_TRUE(writer.WaitForWord('R', kStartLimit)) << "run " << runs;
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    writer.Kill();
    const auto status = writer.WaitForEnd(kRunLimit);
    ASSERT_TRUE(status.has_value()) << "run " << runs;
    // A writer that finished before the kill must have finished well.
    if (WIFEXITED(*status)) {
      EXPECT_EQ(WEXITSTATUS(*status), 0) << "run " << runs;
    }

    const auto content = ReportIn(folder);
    const auto state = expected.Match(content);
    ASSERT_TRUE(state.has_value()) << "run " << runs << " left a report that no call sequence leaves ("
                                   << content->size() << " bytes; nearest: " << expected.Nearest(*content)
                                   << "; " << FolderListing(folder) << ")";
    if (*state == 0) {
      ++missing;
    } else if (*state == expected.Final()) {
      ++complete;
    } else {
      ++partial;
    }
  }
  std::printf("%d kills: %d before the first call, %d mid-way, %d after the last\n", runs, missing, partial, complete);
  EXPECT_GT(partial, 0) << "no kill landed while the writer was writing";
}

#ifdef TARNWICK_REPLAY_PROGRAM

// The whole run: tarnwick-replay against the large computer, an earlier
// report in place. The report's states are those of the same run made in
// memory, known by size and hash: index 0 is the earlier report, then each
// state the run leaves after one of its file calls (the first one no file,
// as the run deletes the earlier report).
class RunStates {
 public:
  struct State {
    bool exists = false;
    std::size_t size = 0;
    std::size_t hash = 0;
    friend bool operator==(const State&, const State&) = default;
  };

  RunStates(const std::string& machineFolder, const std::string& earlier) : machineFolder_(machineFolder) {
    earlier_ = Of(earlier);
    states_.push_back(earlier_);
    Run(earlier, [this](const std::optional<std::string_view>& content) {
      states_.push_back(content ? Of(*content) : State{});
    });
  }

  enum class Outcome { None, Earlier, MidWay, Complete, Unknown };

  Outcome Match(const std::optional<std::string>& content) const {
    if (!content) return Outcome::None;
    const State state = Of(*content);
    if (state == states_.back()) return Outcome::Complete;
    if (state == earlier_) return Outcome::Earlier;
    for (const State& known : states_) {
      if (known == state) return Outcome::MidWay;
    }
    return Outcome::Unknown;
  }

  std::size_t Count() const { return states_.size(); }
  std::size_t FinalSize() const { return states_.back().size; }

  // For a content that is no state: the state that shares the longest start
  // with it, told as "after file call i, first b of s bytes alike".
  std::string Nearest(const std::string& content, const std::string& earlier) const {
    std::size_t call = 0;
    std::size_t best = 0;
    std::size_t bestCall = 0;
    std::size_t bestSize = 0;
    Run(earlier, [&](const std::optional<std::string_view>& state) {
      ++call;
      if (!state) return;
      std::size_t alike = 0;
      while (alike < state->size() && alike < content.size() && (*state)[alike] == content[alike]) ++alike;
      if (alike >= best) {
        best = alike;
        bestCall = call;
        bestSize = state->size();
      }
    });
    return "after file call " + std::to_string(bestCall) + ", first " + std::to_string(best) + " of " +
           std::to_string(bestSize) + " bytes alike";
  }

 private:
  // Tells every change of the report to a callback.
  class Recorder final : public ReportFiles {
   public:
    using Seen = std::function<void(const std::optional<std::string_view>&)>;
    Recorder(MemoryReportFiles& inner, Seen seen) : inner_(inner), seen_(std::move(seen)) {}
    std::optional<std::string> Read(std::string_view path) override { return inner_.Read(path); }
    std::optional<std::uint64_t> Size(std::string_view path) override { return inner_.Size(path); }
    bool Append(std::string_view path, std::string_view bytes) override {
      return Seeing(path, inner_.Append(path, bytes));
    }
    bool ReplaceAtomically(std::string_view path, std::string_view content) override {
      return Seeing(path, inner_.ReplaceAtomically(path, content));
    }
    bool Delete(std::string_view path) override { return Seeing(path, inner_.Delete(path)); }
    bool Copy(std::string_view from, std::string_view to) override { return Seeing(to, inner_.Copy(from, to)); }

   private:
    bool Seeing(std::string_view path, bool result) {
      if (path != kReportPath) return result;
      const auto found = inner_.files.find(std::string(kReportPath));
      if (found == inner_.files.end()) {
        seen_(std::nullopt);
      } else {
        seen_(std::string_view(found->second));
      }
      return result;
    }
    MemoryReportFiles& inner_;
    Seen seen_;
  };

  static State Of(std::string_view content) { return {true, content.size(), std::hash<std::string_view>{}(content)}; }

  void Run(const std::string& earlier, const Recorder::Seen& seen) const {
    ReplayMachine machine;
    const auto error = LoadMachineFolder(machineFolder_, machine);
    ASSERT_FALSE(error.has_value()) << Describe(*error);
    ReplayPlatform replay(machine, "/nonexistent");
    MemoryReportFiles memory;
    memory.files[std::string(kReportPath)] = earlier;
    Recorder recorder(memory, seen);
    const Platform& base = replay.Services();
    Platform platform{base.registry,   base.system,     base.memoryPower,  base.users,
                      base.libraries,  base.devices,    base.waveOutput,   base.wmi,
                      base.directShow, base.fileVersions, base.executable, recorder};
    RecordedRows rows;
    std::ostringstream diagnostics;
    ReportDialog dialog(platform, rows, diagnostics);
    dialog.RunCollection();
  }

  std::string machineFolder_;
  State earlier_;
  std::vector<State> states_;
};

// Runs tarnwick-replay; the time from its start to its end, or nothing when
// it failed.
std::optional<Clock::duration> CompleteReplay(const std::vector<std::string>& arguments) {
  const auto start = Clock::now();
  ChildProcess replay(arguments, ChildProcess::Output::Drop);
  if (!replay.Started()) return std::nullopt;
  const auto status = replay.WaitForEnd(kRunLimit);
  if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return std::nullopt;
  return Clock::now() - start;
}

TEST(ReportCrash, KilledWholeRunLeavesNoReportTheEarlierOneOrOneOfItsStates) {
  ScratchFolder folder;
  const std::string machine = folder.Host("machine");
  const std::string out = folder.Host("out");
  const std::string driveC = out + "/drive_c";
  const std::string copy = out + "/drive_d/Support/SystemInfo.ini";
  ASSERT_TRUE(large_machine::WriteMachineFolder(machine));
  // The earlier report: another computer's.
  const auto earlier = testing_files::ReadHost(std::string(TARNWICK_EXAMPLES_DIR) + "/xp-desk/expected/drive_c/SystemInfo.ini");
  ASSERT_TRUE(earlier.has_value());
  const RunStates states(machine, *earlier);
  // Each call of the first steps is a state, then each later step's end.
  ASSERT_GT(states.Count(), 100u);
  const auto prepare = [&] {
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(driveC);
    testing_files::WriteHost(driveC + "/SystemInfo.ini", *earlier);
  };
  const std::vector<std::string> arguments = {TARNWICK_REPLAY_PROGRAM, machine, out};

  // Complete runs leave the final state, its copy and nothing else on drive
  // C:; the shortest bounds the delays of the kills.
  std::optional<Clock::duration> runTime;
  for (int i = 0; i < 2; ++i) {
    prepare();
    const auto time = CompleteReplay(arguments);
    ASSERT_TRUE(time.has_value());
    if (!runTime || *time < *runTime) runTime = time;
    const auto content = testing_files::ReadHost(driveC + "/SystemInfo.ini");
    ASSERT_EQ(states.Match(content), RunStates::Outcome::Complete);
    EXPECT_EQ(testing_files::ReadHost(copy), content);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(driveC)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"SystemInfo.ini"});
  }

  const KillCount count(20, 200, std::chrono::seconds(20));
  std::mt19937 random(20100315);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(*runTime);
  std::uniform_int_distribution<long> delay(0, longest.count());
  int kills = 0;
  std::map<RunStates::Outcome, int> outcomes;
  // The run writes in a few short moments after the machine is loaded; on a
  // busy machine the killing goes on until one lands among them.
  for (; count.More(kills) || (outcomes[RunStates::Outcome::MidWay] == 0 && kills < 400); ++kills) {
    prepare();
    ChildProcess replay(arguments, ChildProcess::Output::Drop);
    ASSERT_TRUE(replay.Started());
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    replay.Kill();
    const auto status = replay.WaitForEnd(kRunLimit);
    ASSERT_TRUE(status.has_value()) << "kill " << kills;
    if (WIFEXITED(*status)) {
      EXPECT_EQ(WEXITSTATUS(*status), 0) << "kill " << kills;
    }

    const auto content = testing_files::ReadHost(driveC + "/SystemInfo.ini");
    const RunStates::Outcome outcome = states.Match(content);
    ASSERT_NE(outcome, RunStates::Outcome::Unknown)
        << "kill " << kills << " left a report that the run never wrote (" << content->size()
        << " bytes; nearest: " << states.Nearest(*content, *earlier) << ")";
    // The copy is made from the finished report, or not at all.
    const auto copied = testing_files::ReadHost(copy);
    if (copied) {
      EXPECT_EQ(states.Match(copied), RunStates::Outcome::Complete) << "kill " << kills;
    }
    ++outcomes[outcome];
  }
  std::printf("%d kills of whole runs (%zu report states, %zu bytes at the end): %d no report, %d the earlier one, "
              "%d mid-way, %d complete\n",
              kills, states.Count(), states.FinalSize(), outcomes[RunStates::Outcome::None],
              outcomes[RunStates::Outcome::Earlier], outcomes[RunStates::Outcome::MidWay],
              outcomes[RunStates::Outcome::Complete]);
  EXPECT_GT(outcomes[RunStates::Outcome::MidWay], 0) << "no kill landed while the run was writing";
}

#endif

}  // namespace
}  // namespace tarnwick

#endif
