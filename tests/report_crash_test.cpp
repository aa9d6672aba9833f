// Crash safety of the report file: a writer program replays a fixed sequence
// of calls and is killed at random moments; whatever it leaves on disk must
// be exactly the report as it stood after one of its calls.
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

  // The index of the state that the content is, or nothing.
  std::optional<std::size_t> Match(const std::optional<std::string>& content) const {
    if (!content) return 0;
    const std::size_t hash = std::hash<std::string>{}(*content);
    for (std::size_t i = 1; i < states_.size(); ++i) {
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

// One writer process, its standard output read through a pipe.
class WriterProcess {
 public:
  explicit WriterProcess(const std::string& folder) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::string program = TARNWICK_CRASH_WRITER;
    std::string argument = folder;
    char* argv[] = {program.data(), argument.data(), nullptr};
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    output_ = fds[0];
  }
  ~WriterProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) ::close(output_);
  }
  WriterProcess(const WriterProcess&) = delete;
  WriterProcess& operator=(const WriterProcess&) = delete;

  bool Started() const { return pid_ > 0; }

  // Whether the writer said, within the time, that it begins writing ('R')
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

// Runs one writer to its end; the time it spent writing, or nothing when it
// failed.
std::optional<Clock::duration> CompleteRun(const ScratchFolder& folder) {
  WriterProcess writer(folder.Path());
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

  constexpr int kIterations = 200;
  constexpr int kLeastIterations = 25;
  const auto budget = std::chrono::seconds(20);
  const auto begin = Clock::now();
  std::mt19937 random(20080701);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(*runTime);
  std::uniform_int_distribution<long> delay(0, longest.count());

  int runs = 0;
  int missing = 0;
  int partial = 0;
  int complete = 0;
  for (; runs < kIterations && (runs < kLeastIterations || Clock::now() - begin < budget); ++runs) {
    folder.RemoveAll();  // a killed writer may leave its temporary file
    WriterProcess writer(folder.Path());
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

}  // namespace
}  // namespace tarnwick

#endif
