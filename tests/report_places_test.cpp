// Where the report and its copy go: what stands at their paths, what the
// console programs say when a file cannot be written, the complete copy when
// the report is not, and the temporary files a stopped run leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_run.h"
#include "app/report_dialog.h"
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
#include <cstring>
#include <thread>

#include "platform/posix/descriptor.h"
#include "platform/posix/temporary_files.h"
#endif

namespace tarnwick {
namespace {

using testing_files::MemoryReportFiles;
using testing_support::SilentMachine;

struct ConsoleOutcome {
  int status;
  std::string out;
  std::string err;
};

ConsoleOutcome RunConsole(Platform& platform, const ConsoleOptions& options, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), std::string(options.programName));
  std::vector<char*> argv;
  for (std::string& word : arguments) argv.push_back(word.data());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunFromConsole(platform, options, static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

ConsoleOptions WindowsOptions() {
  ConsoleOptions options;
  options.programName = "tarnwick";
  options.discards = [](const std::string& path) { return path == "NUL"; };
  return options;
}

ConsoleOptions LinuxOptions() {
  ConsoleOptions options;
  options.programName = "tarnwick";
  options.takesRoot = true;
  options.defaultReport = "./SystemInfo.ini";
  options.copiesByDefault = false;
  return options;
}

// What each program does with the copy and the null device, and what its
// help says.
struct CopyOptionCase {
  const char* name;
  bool linux_program;
  std::vector<std::string> arguments;
  std::vector<std::string> files;  // the files written, by their Windows paths
  std::string outEnd;              // what standard output ends with
};

TEST(ReportPlaces, CopyBesideAndNullDevice) {
  const std::string report = "C:\\SystemInfo.ini";
  const std::string copy = "C:\\Tarnwick\\SystemInfo.ini";
  const CopyOptionCase cases[] = {
      {"WindowsCopies", false, {}, {report, copy}, "Copy written to C:\\Tarnwick\\SystemInfo.ini\n"},
      {"WindowsNoCopy", false, {"--no-copy"}, {report}, "Report written to C:\\SystemInfo.ini\n"},
      {"LinuxNoCopy", true, {}, {report}, "Report written to C:\\SystemInfo.ini\n"},
      {"LinuxCopyBeside", true, {"--copy-beside"}, {report, copy}, "Copy written to C:\\Tarnwick\\SystemInfo.ini\n"},
      {"LinuxOldScripts", true, {"--no-copy"}, {report}, "Report written to C:\\SystemInfo.ini\n"},
      {"NoCopyWins", true, {"--copy-beside", "--no-copy"}, {report}, "Report written to C:\\SystemInfo.ini\n"},
      {"NullDevice", false, {"--output", "NUL"}, {}, " entries\nReport discarded (NUL)\n"},
      {"LinuxHelp", true, {"--help"}, {},
       "  --copy-beside  also copy the report beside the program\n"
       "  --no-copy      no copy beside the program (the default)\n"
       "  --redact       replace the user name, the board's serial number and the\n"
       "                 instance parts of device paths with <redacted>\n"
       "  --root DIR     read the computer's facts below DIR (a copy of another\n"
       "                 computer's /sys and /proc) instead of /\n"
       "  --help         print this text\n"
       "  --version      print the program's version\n"},
      {"WindowsHelp", false, {"--help"}, {}, "  --version      print the program's version\n"},
  };
  for (const CopyOptionCase& c : cases) {
    MemoryReportFiles files;
    SilentMachine machine(files);
    const auto outcome = RunConsole(machine.Services(), c.linux_program ? LinuxOptions() : WindowsOptions(), c.arguments);
    EXPECT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
    EXPECT_EQ(outcome.err, "") << c.name;
    EXPECT_TRUE(outcome.out.ends_with(c.outEnd)) << c.name << ": " << outcome.out;
    // The help says where the report really goes.
    const bool linuxHelp = outcome.out.find("Takes a picture of this computer, writes it to the report ./SystemInfo.ini\n"
                                            "and prints every entry.\n") != std::string::npos;
    const bool windowsHelp = outcome.out.find("writes it to the report C:\\SystemInfo.ini\nwith a copy beside the "
                                              "program, and prints every entry.\n") != std::string::npos;
    EXPECT_EQ(linuxHelp, c.name == std::string("LinuxHelp")) << c.name;
    EXPECT_EQ(windowsHelp, c.name == std::string("WindowsHelp")) << c.name;
    std::vector<std::string> written;
    for (const auto& [path, content] : files.files) written.push_back(path);
    EXPECT_EQ(written, c.files) << c.name;
  }
}

// When the report is not a clean picture of the run, the copy is this run's
// own report, complete; where the program's folder cannot take it, the
// Desktop does; a stale copy that could not be replaced goes.
struct FallbackCase {
  const char* name;
  bool mergeOnly;  // the old report cannot be removed, but can be written
  std::vector<std::string> locked;
  bool linux_program;
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
  const FallbackCase cases[] = {
      {"ReportLocked", false, {report}, false, 1, {copy}, {desktop},
       locked + "tarnwick: the complete report of this run is C:\\Tarnwick\\SystemInfo.ini: send that file\n"},
      {"OldReportMergedInto", true, {}, false, 1, {copy}, {desktop},
       "tarnwick: the old report C:\\SystemInfo.ini could not be removed; this run's entries were merged into it\n"
       "tarnwick: the complete report of this run is C:\\Tarnwick\\SystemInfo.ini: send that file\n"},
      {"FolderLockedToo", false, {report, copy}, false, 1, {desktop}, {},
       locked + "tarnwick: the copy C:\\Tarnwick\\SystemInfo.ini could not be written\n"
                "tarnwick: the old copy C:\\Tarnwick\\SystemInfo.ini could not be removed\n"
                "tarnwick: the complete report of this run is C:\\Users\\anna\\Desktop\\SystemInfo.ini: send that "
                "file\n"},
      {"NowhereToWrite", false, {report, copy, desktop}, false, 1, {}, {desktop},
       locked + "tarnwick: the copy C:\\Tarnwick\\SystemInfo.ini could not be written\n"
                "tarnwick: the old copy C:\\Tarnwick\\SystemInfo.ini could not be removed\n"
                "tarnwick: the copy C:\\Users\\anna\\Desktop\\SystemInfo.ini could not be written\n"
                "tarnwick: no complete report of this run could be written\n"},
      {"ReportFineCopyLocked", false, {copy}, false, 0, {report}, {desktop},
       "tarnwick: the copy C:\\Tarnwick\\SystemInfo.ini could not be written\n"
       "tarnwick: the old copy C:\\Tarnwick\\SystemInfo.ini could not be removed\n"},
      {"LinuxSaysOnly", false, {report}, true, 1, {}, {desktop}, locked},
  };
  MemoryReportFiles intact;
  SilentMachine reference(intact);
  ASSERT_EQ(RunConsole(reference.Services(), WindowsOptions(), {"--no-copy"}).status, 0);
  const std::string run = intact.files.at(report);
  for (const FallbackCase& c : cases) {
    MemoryReportFiles files;
    files.files[report] = "[Old]\r\nk=v\r\n";
    files.files[copy] = "[Stale]\r\nk=v\r\n";
    files.locked.insert(c.locked.begin(), c.locked.end());
    files.failDelete = c.mergeOnly;
    SilentMachine machine(files, "C:\\Tarnwick\\Tarnwick.exe", "C:\\Users\\anna\\Desktop");
    const auto outcome = RunConsole(machine.Services(), c.linux_program ? LinuxOptions() : WindowsOptions(), {});
    EXPECT_EQ(outcome.status, c.status) << c.name;
    EXPECT_EQ(outcome.err, c.err) << c.name;
    for (const std::string& path : c.complete) {
      EXPECT_EQ(files.Read(path), run) << c.name << ": " << path;
    }
    for (const std::string& path : c.absent) EXPECT_FALSE(files.Read(path).has_value()) << c.name << ": " << path;
    // No old report is left beside the program to be mailed by mistake,
    // unless it could not be removed.
    const bool copyLocked = files.locked.contains(copy);
    if (!c.linux_program && !copyLocked) {
      EXPECT_EQ(files.Read(copy), run) << c.name;
    }
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

enum class Kind { Fifo, Socket, Folder, Device };

struct ObstacleCase {
  const char* name;
  Kind kind;
  bool atCopy;
  std::string err;
};

// Makes a thing of the kind at the path; false when this system does not let
// the test make it.
bool MakeThing(Kind kind, const std::string& path) {
  switch (kind) {
    case Kind::Fifo:
      return ::mkfifo(path.c_str(), 0644) == 0;
    case Kind::Folder:
      return ::mkdir(path.c_str(), 0755) == 0;
    case Kind::Device:
      return ::mknod(path.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0;  // a copy of /dev/null
    case Kind::Socket: {
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      if (path.size() >= sizeof address.sun_path) return false;
      std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
      const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM, 0));
      return socket && ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
  }
  return false;
}

class ObstacleTest : public testing::TestWithParam<ObstacleCase> {};

TEST_P(ObstacleTest, IsRefusedAndLeftAlone) {
  const ObstacleCase& c = GetParam();
  ScratchRun run;
  const std::string path = run.folder.Host(c.atCopy ? "Tarnwick/SystemInfo.ini" : "SystemInfo.ini");
  if (!MakeThing(c.kind, path)) {
    ASSERT_EQ(c.kind, Kind::Device) << "could not make " << path;
    GTEST_SKIP() << "device nodes can only be made as root";
  }
  struct stat before {};
  ASSERT_EQ(::lstat(path.c_str(), &before), 0);
  const auto reportNames = run.folder.Names();
  const auto outcome = RunConsole(run.machine.Services(), WindowsOptions(), {});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err, "tarnwick: " + c.err + "\n");
  EXPECT_EQ(outcome.out, "");
  struct stat after {};
  ASSERT_EQ(::lstat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(run.folder.Names(), reportNames);  // nothing made beside it
  // The file layer itself refuses as well: nothing is removed, renamed over
  // or opened.
  const std::string windows = c.atCopy ? "C:\\Tarnwick\\SystemInfo.ini" : "C:\\SystemInfo.ini";
  EXPECT_FALSE(run.files.Delete(windows));
  EXPECT_FALSE(run.files.Append(windows, "x"));
  EXPECT_FALSE(run.files.ReplaceAtomically(windows, "x"));
  ASSERT_TRUE(run.files.LastFailure().has_value());
  EXPECT_EQ(run.files.LastFailure()->reason, c.err.substr(c.err.rfind("it is ")));
  ASSERT_EQ(::lstat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(run.folder.Names(), reportNames);
}

const std::string kReportAt = "cannot write the report to 'C:\\SystemInfo.ini': ";
const std::string kCopyAt = "cannot write the copy of the report to 'C:\\Tarnwick\\SystemInfo.ini': ";

// clang-format off
INSTANTIATE_TEST_SUITE_P(ReportPlaces, ObstacleTest, testing::Values(
    ObstacleCase{"NamedPipe", Kind::Fifo, false, kReportAt + "it is a named pipe"},
    ObstacleCase{"Socket", Kind::Socket, false, kReportAt + "it is a socket"},
    ObstacleCase{"Folder", Kind::Folder, false, kReportAt + "it is a folder"},
    ObstacleCase{"DeviceNode", Kind::Device, false, kReportAt + "it is a character device"},
    ObstacleCase{"CopyNamedPipe", Kind::Fifo, true, kCopyAt + "it is a named pipe"},
    ObstacleCase{"CopySocket", Kind::Socket, true, kCopyAt + "it is a socket"},
    ObstacleCase{"CopyFolder", Kind::Folder, true, kCopyAt + "it is a folder"},
    ObstacleCase{"CopyDeviceNode", Kind::Device, true, kCopyAt + "it is a character device"}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Every failure names the file, what failed and the system's reason.
struct ReasonCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string executable;
  int status;
  std::string errStart;
  std::string failedFile;  // the host file whose creation failed, below the folder
  std::string errEnd;
};

TEST(ReportPlaces, FailuresGiveTheSystemsReason) {
  const ReasonCase cases[] = {
      {"NoSuchFolder", {"--output", "C:\\missing\\pc.ini", "--no-copy"}, "C:\\Tarnwick\\Tarnwick.exe", 1,
       "tarnwick: the report could not be written completely to C:\\missing\\pc.ini (creating ", "missing/pc.ini.",
       ".tmp: No such file or directory)\n"},
      {"FolderIsAFile", {"--output", "C:\\afile\\pc.ini", "--no-copy"}, "C:\\Tarnwick\\Tarnwick.exe", 1,
       "tarnwick: the report could not be written completely to C:\\afile\\pc.ini (opening ", "afile/pc.ini",
       ": Not a directory)\n"},
      // The report is fine: the copy's failure is said, the status stays 0.
      {"CopyFolderMissing", {}, "C:\\Gone\\Tarnwick.exe", 0,
       "tarnwick: the copy C:\\Gone\\SystemInfo.ini could not be written (creating ", "Gone/SystemInfo.ini.",
       ".tmp: No such file or directory)\n"},
  };
  for (const ReasonCase& c : cases) {
    ScratchFolder folder;
    testing_files::WriteHost(folder.Host("afile"), "not a folder");
    MappedReportFiles files = testing_files::DriveCFiles(folder);
    SilentMachine machine(files, c.executable);
    const auto outcome = RunConsole(machine.Services(), WindowsOptions(), c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.name;
    const std::string expectedFile = folder.Host(c.failedFile);
    EXPECT_TRUE(outcome.err.starts_with(c.errStart + expectedFile)) << c.name << ": " << outcome.err;
    EXPECT_TRUE(outcome.err.ends_with(c.errEnd)) << c.name << ": " << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << c.name << ": " << outcome.err;
  }
}

// On Linux a backslash is part of a file name; in replay it separates
// folders, as on Windows.
TEST(ReportPlaces, BackslashInAHostName) {
  ScratchFolder folder;
  DriveMap linux_drives;
  linux_drives.Map('C', folder.Path());
  linux_drives.KeepBackslashesInNames();
  DriveMap replay_drives;
  replay_drives.Map('C', folder.Path());
  EXPECT_EQ(linux_drives.WindowsPath(folder.Host("my\\report.ini")), "C:\\my/report.ini");
  EXPECT_EQ(linux_drives.HostPath("C:\\my/report.ini"), folder.Host("my\\report.ini"));
  EXPECT_EQ(linux_drives.HostPath("C:\\sub\\x.ini"), folder.Host("sub/x.ini"));
  EXPECT_EQ(replay_drives.HostPath("C:\\my/report.ini"), folder.Host("my/report.ini"));

  // The Linux program's --output, end to end: one file of that name.
  MappedReportFiles files(linux_drives);
  SilentMachine machine(files);
  ConsoleOptions options = LinuxOptions();
  options.reportPathOf = [&](const std::string& path) { return linux_drives.WindowsPath(folder.Host(path)); };
  options.shownPath = [&](const std::string& path) { return linux_drives.HostPath(path).value_or(path); };
  const auto outcome = RunConsole(machine.Services(), options, {"--output", "my\\report.ini"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"my\\report.ini"});
  EXPECT_TRUE(outcome.out.ends_with("Report written to " + folder.Host("my\\report.ini") + "\n")) << outcome.out;
}

TEST(Descriptor, OneOwnerClosesOnce) {
  const auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
  int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(raw, 0);
  {
    Descriptor first(raw);
    first.Reset(raw);  // the same descriptor again: still open
    EXPECT_TRUE(isOpen(raw));
    Descriptor second(std::move(first));
    EXPECT_FALSE(first.Valid());
    EXPECT_EQ(second.get(), raw);
    Descriptor third;
    third = std::move(second);
    EXPECT_TRUE(isOpen(raw));
    EXPECT_EQ(third.get(), raw);
  }
  EXPECT_FALSE(isOpen(raw));  // closed by its last owner
}

// A run stopped by a signal removes its temporary files and exits with
// 128 + the signal's number.
class SignalTest : public testing::TestWithParam<int> {};

std::vector<std::string> Temporaries(const ScratchFolder& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folder.Names()) {
    if (name.ends_with(".tmp")) names.push_back(name);
  }
  return names;
}

TEST_P(SignalTest, RemovesTemporaryFiles) {
  const int signal = GetParam();
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
    const bool written = files.ReplaceAgain("C:\\SystemInfo.ini", "first") &&
                         files.ReplaceAgain("C:\\SystemInfo.ini", "second");
    const char word = written ? 'R' : 'F';
    if (::write(ready[1], &word, 1) != 1) ::_exit(90);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  pollfd wait{ready[0], POLLIN, 0};
  char word = 0;
  const bool started = ::poll(&wait, 1, 20000) == 1 && ::read(ready[0], &word, 1) == 1 && word == 'R';
  ::close(ready[0]);
  if (started) {
    EXPECT_EQ(Temporaries(folder).size(), 1u);  // the kept file: the run is mid-way
    ::kill(child, signal);
  }
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 2000 && ended == 0; ++i) {
    ended = ::waitpid(child, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (ended == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "the child did not end within 10 s of the signal";
  }
  ASSERT_TRUE(started) << "the child could not write the report";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
  EXPECT_EQ(Temporaries(folder), std::vector<std::string>{});
  EXPECT_EQ(testing_files::ReadHost(folder.Host("SystemInfo.ini")), "second");
}

INSTANTIATE_TEST_SUITE_P(ReportPlaces, SignalTest, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// What a killed run left beside the report: removed only when it is a
// regular file of this user whose process is gone.
struct LeftoverCase {
  const char* name;
  std::string file;  // {dead}, {alive} and {self} stand for process ids
  enum { Regular, Link, Folder, Foreign } kind;
  bool removed;
};

std::string WithPids(std::string name, pid_t dead) {
  const auto replace = [&name](std::string_view mark, long pid) {
    if (const auto at = name.find(mark); at != std::string::npos) name.replace(at, mark.size(), std::to_string(pid));
  };
  replace("{dead}", dead);
  replace("{alive}", 1);
  replace("{self}", ::getpid());
  return name;
}

TEST(ReportPlaces, LeftoversOfGoneRuns) {
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  const LeftoverCase cases[] = {
      {"GoneRun", "SystemInfo.ini.{dead}-1a2b.tmp", LeftoverCase::Regular, true},
      {"LiveRun", "SystemInfo.ini.{alive}-1a2b.tmp", LeftoverCase::Regular, false},
      {"ThisRun", "SystemInfo.ini.{self}-1a2b.tmp", LeftoverCase::Regular, false},
      {"Link", "SystemInfo.ini.{dead}-1a2c.tmp", LeftoverCase::Link, false},
      {"Folder", "SystemInfo.ini.{dead}-1a2d.tmp", LeftoverCase::Folder, false},
      {"OtherUser", "SystemInfo.ini.{dead}-1a2e.tmp", LeftoverCase::Foreign, false},
      {"OtherFile", "Other.ini.{dead}-1a2b.tmp", LeftoverCase::Regular, false},
      {"NotHex", "SystemInfo.ini.{dead}-xyz.tmp", LeftoverCase::Regular, false},
      {"NoNumber", "SystemInfo.ini.{dead}-.tmp", LeftoverCase::Regular, false},
  };
  ScratchRun run;
  const bool root = ::geteuid() == 0;
  for (const LeftoverCase& c : cases) {
    const std::string path = run.folder.Host(WithPids(c.file, dead));
    bool made = true;
    if (c.kind == LeftoverCase::Link) {
      made = ::symlink("SystemInfo.ini", path.c_str()) == 0;
    } else if (c.kind == LeftoverCase::Folder) {
      made = ::mkdir(path.c_str(), 0755) == 0;
    } else {
      testing_files::WriteHost(path, "left");
    }
    if (c.kind == LeftoverCase::Foreign && root) made = ::lchown(path.c_str(), 4321, 4321) == 0;
    ASSERT_TRUE(made) << c.name;
  }
  ASSERT_EQ(RunConsole(run.machine.Services(), WindowsOptions(), {}).status, 0);
  for (const LeftoverCase& c : cases) {
    if (c.kind == LeftoverCase::Foreign && !root) continue;  // every file here is this user's
    struct stat info {};
    const bool there = ::lstat(run.folder.Host(WithPids(c.file, dead)).c_str(), &info) == 0;
    EXPECT_EQ(there, !c.removed) << c.name;
  }
}

#endif

}  // namespace
}  // namespace tarnwick
