// Where the report and its copy go: what stands at their paths, what the
// console programs say when a file cannot be written, the complete copy when
// the report is not, and the temporary files a stopped run leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/report_dialog.h"
#include "console_outcome.h"
#include "report_test_files.h"
#include "silent_machine.h"

#ifdef TARNWICK_POSIX_FILES
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/posix/descriptor.h"
#include "platform/posix/temporary_files.h"
#endif

namespace tarnwick {
namespace {

using testing_files::MemoryReportFiles;
using testing_support::RunConsole;
using testing_support::SilentMachine;

// When the report is not a clean picture of the run, the copy is this run's
// own report, complete; where the program's folder cannot take it, the
// Desktop does; a stale copy that could not be replaced goes.
struct FallbackCase {
  const char* name;
  bool mergeOnly;  // the old report cannot be removed, but can be written
  std::vector<std::string> locked;
  bool linuxProgram;
  int status;
  std::vector<std::string> complete;  // files holding this run's complete report
  std::vector<std::string> absent;    // files that must not be there
  std::string err;
};

TEST(ReportPlaces, CompleteCopyWhenTheReportIsNot) {
  const std::string report = "C:\\SystemInfo.ini";
  const std::string copy = "C:\\Tarnwick\\SystemInfo.ini";
  const std::string desktop = "C:\\Users\\anna\\Desktop\\SystemInfo.ini";
  const std::string locked = "tarnwick: the old report C:\\SystemInfo.ini could not be removed, and this run's entries "
                             "could not all be written into it\n";
  const std::string merged = "tarnwick: the old report C:\\SystemInfo.ini could not be removed; this run's entries "
                             "were merged into it\n";
  const std::string copyFailed = "tarnwick: the copy C:\\Tarnwick\\SystemInfo.ini could not be written\n"
                                 "tarnwick: the old copy C:\\Tarnwick\\SystemInfo.ini could not be removed\n";
  const auto send = [](const std::string& path) {
    return "tarnwick: the complete report of this run is " + path + ": send that file\n";
  };
  const FallbackCase cases[] = {
      {"ReportLocked", false, {report}, false, 1, {copy}, {desktop}, locked + send(copy)},
      {"OldReportMergedInto", true, {}, false, 1, {copy}, {desktop}, merged + send(copy)},
      {"FolderLockedToo", false, {report, copy}, false, 1, {desktop}, {}, locked + copyFailed + send(desktop)},
      {"NowhereToWrite", false, {report, copy, desktop}, false, 1, {}, {desktop},
       locked + copyFailed + "tarnwick: the copy C:\\Users\\anna\\Desktop\\SystemInfo.ini could not be written\n"
                             "tarnwick: no complete report of this run could be written\n"},
      {"ReportFineCopyLocked", false, {copy}, false, 0, {report}, {desktop}, copyFailed},
      {"LinuxSaysOnly", false, {report}, true, 1, {}, {desktop}, locked},
  };
  MemoryReportFiles intact;
  SilentMachine reference(intact);
  ASSERT_EQ(RunConsole(reference.Services(), false, {"--no-copy"}).status, 0);
  const std::string run = intact.files.at(report);
  for (const FallbackCase& c : cases) {
    MemoryReportFiles files;
    files.files[report] = "[Old]\r\nk=v\r\n";
    files.files[copy] = "[Stale]\r\nk=v\r\n";
    files.locked.insert(c.locked.begin(), c.locked.end());
    files.failDelete = c.mergeOnly;
    SilentMachine machine(files, "C:\\Tarnwick\\Tarnwick.exe", "C:\\Users\\anna\\Desktop");
    const auto outcome = RunConsole(machine.Services(), c.linuxProgram, {});
    EXPECT_EQ(outcome.status, c.status) << c.name;
    EXPECT_EQ(outcome.err, c.err) << c.name;
    for (const std::string& path : c.complete) EXPECT_EQ(files.Read(path), run) << c.name << ": " << path;
    for (const std::string& path : c.absent) EXPECT_FALSE(files.Read(path).has_value()) << c.name << ": " << path;
  }
}

#ifdef TARNWICK_POSIX_FILES

using testing_files::ScratchFolder;

// Drive C: on the scratch folder, the program in C:\Tarnwick.
struct ScratchRun {
  ScratchRun() { std::filesystem::create_directories(folder.Host("Tarnwick")); }
  ScratchFolder folder;
  MappedReportFiles files = testing_files::DriveCFiles(folder);
  SilentMachine machine{files};
};

struct ObstacleCase {
  const char* name;
  mode_t kind;  // S_IFIFO, S_IFSOCK, S_IFDIR or S_IFCHR
  bool atCopy;
  std::string err;
};

class ObstacleTest : public testing::TestWithParam<ObstacleCase> {};

TEST_P(ObstacleTest, IsRefusedAndLeftAlone) {
  const ObstacleCase& c = GetParam();
  ScratchRun run;
  const std::string windows = c.atCopy ? "C:\\Tarnwick\\SystemInfo.ini" : "C:\\SystemInfo.ini";
  const std::string path = *run.files.Drives().HostPath(windows);
  // A socket is bound to its name; a device node is a copy of /dev/null.
  const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM, 0));
  sockaddr_un address{AF_UNIX, {}};
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const auto* named = reinterpret_cast<sockaddr*>(&address);
  const bool made = c.kind == S_IFSOCK ? ::bind(socket.get(), named, sizeof address) == 0
                    : c.kind == S_IFDIR ? ::mkdir(path.c_str(), 0755) == 0
                                        : ::mknod(path.c_str(), c.kind | 0644, makedev(1, 3)) == 0;
  if (!made && c.kind == S_IFCHR && errno == EPERM) GTEST_SKIP() << "device nodes can only be made as root";
  ASSERT_TRUE(made) << path;
  struct stat before {};
  ASSERT_EQ(::lstat(path.c_str(), &before), 0);
  const auto names = run.folder.Names();
  const auto outcome = RunConsole(run.machine.Services(), false, {});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err, "tarnwick: " + c.err + "\n");
  // The file layer refuses too: nothing is removed, renamed over or opened.
  EXPECT_FALSE(run.files.Delete(windows) || run.files.Append(windows, "x") ||
               run.files.ReplaceAtomically(windows, "x"));
  struct stat after {};
  ASSERT_EQ(::lstat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(run.folder.Names(), names);  // nothing made beside it
}

const std::string kReportAt = "cannot write the report to 'C:\\SystemInfo.ini': it is ";
const std::string kCopyAt = "cannot write the copy of the report to 'C:\\Tarnwick\\SystemInfo.ini': it is ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(ReportPlaces, ObstacleTest, testing::Values(
    ObstacleCase{"NamedPipe", S_IFIFO, false, kReportAt + "a named pipe"},
    ObstacleCase{"Socket", S_IFSOCK, false, kReportAt + "a socket"},
    ObstacleCase{"Folder", S_IFDIR, false, kReportAt + "a folder"},
    ObstacleCase{"DeviceNode", S_IFCHR, false, kReportAt + "a character device"},
    ObstacleCase{"CopyNamedPipe", S_IFIFO, true, kCopyAt + "a named pipe"},
    ObstacleCase{"CopySocket", S_IFSOCK, true, kCopyAt + "a socket"},
    ObstacleCase{"CopyFolder", S_IFDIR, true, kCopyAt + "a folder"},
    ObstacleCase{"CopyDeviceNode", S_IFCHR, true, kCopyAt + "a character device"}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// tarnwick-replay refuses alike, before it writes anything.
TEST(ReportPlaces, ReplayRefusesAFolderAsTheReport) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.Host("machine"));
  std::filesystem::create_directories(folder.Host("out/drive_c/SystemInfo.ini"));
  const int status = std::system((std::string(TARNWICK_REPLAY_PROGRAM) + " " + folder.Host("machine") + " " +
                                  folder.Host("out") + " >/dev/null 2>" + folder.Host("err")).c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
  const std::string report = folder.Host("out/drive_c/SystemInfo.ini");
  EXPECT_EQ(testing_files::ReadHost(folder.Host("err")),
            "tarnwick-replay: cannot write the report to '" + report + "': it is a folder\n");
  EXPECT_FALSE(std::filesystem::exists(folder.Host("out/rows.tsv")));
}

// Every failure names the file, what failed and the system's reason.
TEST(ReportPlaces, FailuresGiveTheSystemsReason) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string executable;
    int status;
    std::string said;  // the message, "@" standing for the scratch folder
  } cases[] = {
      {"NoSuchFolder", {"--output", "C:\\missing\\pc.ini", "--no-copy"}, "C:\\Tarnwick\\Tarnwick.exe", 1,
       "the report could not be written completely to C:\\missing\\pc.ini (creating @/missing/pc.ini."},
      {"FolderIsAFile", {"--output", "C:\\afile\\pc.ini", "--no-copy"}, "C:\\Tarnwick\\Tarnwick.exe", 1,
       "the report could not be written completely to C:\\afile\\pc.ini (opening @/afile/pc.ini: Not a directory)"},
      // The report is fine: the copy's failure is said, the status stays 0.
      {"CopyFolderMissing", {}, "C:\\Gone\\Tarnwick.exe", 0,
       "the copy C:\\Gone\\SystemInfo.ini could not be written (creating @/Gone/SystemInfo.ini."},
  };
  for (const auto& c : cases) {
    ScratchFolder folder;
    testing_files::WriteHost(folder.Host("afile"), "not a folder");
    MappedReportFiles files = testing_files::DriveCFiles(folder);
    SilentMachine machine(files, c.executable);
    const auto outcome = RunConsole(machine.Services(), false, c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.name;
    std::string said = "tarnwick: " + c.said;
    said.replace(said.find('@'), 1, folder.Path());
    EXPECT_EQ(outcome.err.substr(0, said.size()), said) << c.name;
    // Created files end in ".<pid>-<n>.tmp: <reason>)".
    const bool created = said.ends_with(".");
    EXPECT_EQ(outcome.err.ends_with(".tmp: No such file or directory)\n"), created) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  }
}

// On Linux a backslash is part of a file name (--output goes through
// WindowsPath); in replay it parts folders, as on Windows.
TEST(ReportPlaces, BackslashInAHostName) {
  ScratchRun run;
  DriveMap drives = run.files.Drives();
  EXPECT_EQ(drives.HostPath("C:\\my/report.ini"), run.folder.Host("my/report.ini"));
  drives.KeepBackslashesInNames();
  EXPECT_EQ(drives.WindowsPath(run.folder.Host("my\\report.ini")), "C:\\my/report.ini");
  EXPECT_EQ(drives.HostPath("C:\\sub\\x.ini"), run.folder.Host("sub/x.ini"));
}

TEST(Descriptor, ResetWithItsOwnKeepsItOpenAndTheLastOwnerCloses) {
  const auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
  const int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  {
    Descriptor first(raw);
    first.Reset(raw);
    EXPECT_TRUE(isOpen(raw));
    Descriptor second;
    second = std::move(first);
    EXPECT_EQ(std::pair(first.get(), second.get()), std::pair(-1, raw));
  }
  EXPECT_FALSE(isOpen(raw));
}

std::vector<std::string> Temporaries(const ScratchFolder& folder) {
  std::vector<std::string> names = folder.Names();
  std::erase_if(names, [](const std::string& name) { return !name.ends_with(".tmp"); });
  return names;
}

// A run stopped by a signal removes its temporary files and exits with
// 128 + the signal's number.
class SignalTest : public testing::TestWithParam<int> {};

TEST_P(SignalTest, RemovesTemporaryFiles) {
  ScratchFolder folder;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // As a run does: the report replaced again and again, the old content's
    // file kept beside it for the next replacement.
    temporary_files::RemoveOnSignals();
    MappedReportFiles files = testing_files::DriveCFiles(folder);
    const char word = files.ReplaceAgain("C:\\SystemInfo.ini", "1") && files.ReplaceAgain("C:\\SystemInfo.ini", "2");
    if (::write(ready[1], &word, 1) != 1) ::_exit(90);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  pollfd wait{ready[0], POLLIN, 0};
  char word = 0;
  const bool started = ::poll(&wait, 1, 20000) == 1 && ::read(ready[0], &word, 1) == 1 && word == 1;
  ::close(ready[0]);
  EXPECT_TRUE(started && Temporaries(folder).size() == 1);  // the kept file: the run is mid-way
  ::kill(child, started ? GetParam() : SIGKILL);
  int status = 0;
  for (int i = 0; i < 2000 && ::waitpid(child, &status, WNOHANG) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (i == 1999) ::kill(child, SIGKILL);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + GetParam()) << status;
  EXPECT_EQ(Temporaries(folder), std::vector<std::string>{});
  EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), "2");
}

INSTANTIATE_TEST_SUITE_P(ReportPlaces, SignalTest, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// What a killed run left beside the report: removed only when it is a
// regular file of this user whose process is gone.
TEST(ReportPlaces, LeftoversOfGoneRuns) {
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  const std::string gone = std::to_string(dead);
  const struct {
    std::string name;
    mode_t kind;  // S_IFREG, S_IFLNK or S_IFDIR
    uid_t owner;  // another user's only when the test runs as root
    bool removed;
  } cases[] = {
      {"SystemInfo.ini." + gone + "-1a2b.tmp", S_IFREG, 0, true},
      {"SystemInfo.ini.1-1a2b.tmp", S_IFREG, 0, false},  // a process that runs
      {"SystemInfo.ini." + std::to_string(::getpid()) + "-1a2b.tmp", S_IFREG, 0, false},
      {"SystemInfo.ini." + gone + "-1a2c.tmp", S_IFLNK, 0, false},
      {"SystemInfo.ini." + gone + "-1a2d.tmp", S_IFDIR, 0, false},
      {"SystemInfo.ini." + gone + "-1a2e.tmp", S_IFREG, ::geteuid() == 0 ? 4321u : 0u, ::geteuid() != 0},
      {"Other.ini." + gone + "-1a2b.tmp", S_IFREG, 0, false},
      {"SystemInfo.ini." + gone + "-xyz.tmp", S_IFREG, 0, false},
  };
  ScratchRun run;
  for (const auto& c : cases) {
    const std::string path = run.folder.Host(c.name);
    if (c.kind == S_IFREG) testing_files::WriteHost(path, "left");
    const bool made = c.kind == S_IFLNK  ? ::symlink("SystemInfo.ini", path.c_str()) == 0
                      : c.kind == S_IFDIR ? ::mkdir(path.c_str(), 0755) == 0
                                          : c.owner == 0 || ::lchown(path.c_str(), c.owner, c.owner) == 0;
    ASSERT_TRUE(made) << c.name;
  }
  ASSERT_EQ(RunConsole(run.machine.Services(), false, {}).status, 0);
  for (const auto& c : cases) {
    struct stat info {};
    EXPECT_EQ(::lstat(run.folder.Host(c.name).c_str(), &info) != 0, c.removed) << c.name;
  }
}

#endif

}  // namespace
}  // namespace tarnwick
