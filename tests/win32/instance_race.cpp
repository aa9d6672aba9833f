// Starts pairs of processes at the same instant (created suspended, then
// resumed together), each taking the single-instance lock; in every round
// exactly one may hold it. The holder keeps it for a moment so that its twin
// cannot come after it has gone.
//   instance_race.exe [rounds]      the race; exit 0 when every round had one holder
//   instance_race.exe --contender   one contender: exit 10 holding the lock, 20 refused
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/win32/instance_lock.h"

namespace {

using tarnwick::win32::KernelHandle;

constexpr DWORD kHeld = 10;
constexpr DWORD kRefused = 20;

int Contend() {
  tarnwick::win32::InstanceLock lock = tarnwick::win32::TakeInstanceLock();
  if (lock.anotherInstanceRuns) return kRefused;
  if (!lock.handle) return 1;
  ::Sleep(300);
  return kHeld;
}

struct Contender {
  KernelHandle process;
  KernelHandle thread;
};

bool StartSuspended(const std::string& self, Contender& contender) {
  std::string command = "\"" + self + "\" --contender";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &info)) {
    return false;
  }
  contender.process.Reset(info.hProcess);
  contender.thread.Reset(info.hThread);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--contender") return Contend();
  const int rounds = argc == 2 ? std::atoi(argv[1]) : 40;
  char self[MAX_PATH];
  if (::GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return 2;

  int failures = 0;
  for (int round = 1; round <= rounds; ++round) {
    Contender pair[2];
    if (!StartSuspended(self, pair[0]) || !StartSuspended(self, pair[1])) {
      std::printf("round %d: cannot start the contenders\n", round);
      return 2;
    }
    ::ResumeThread(pair[0].thread.Get());
    ::ResumeThread(pair[1].thread.Get());
    int held = 0;
    int refused = 0;
    for (Contender& contender : pair) {
      if (::WaitForSingleObject(contender.process.Get(), 20000) != WAIT_OBJECT_0) {
        std::printf("round %d: a contender still runs after 20 s\n", round);
        ::TerminateProcess(contender.process.Get(), 3);
        return 2;
      }
      DWORD code = 0;
      ::GetExitCodeProcess(contender.process.Get(), &code);
      held += code == kHeld ? 1 : 0;
      refused += code == kRefused ? 1 : 0;
    }
    if (held != 1 || refused != 1) {
      std::printf("round %d: %d held the lock, %d were refused\n", round, held, refused);
      ++failures;
    }
  }
  std::printf("%d rounds of two simultaneous starts, %d with other than one holder\n", rounds, failures);
  return failures == 0 ? 0 : 1;
}
