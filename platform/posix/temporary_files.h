// The temporary files a process keeps beside its reports, known where a
// signal handler can reach them: a console run stopped by Ctrl-C, a kill or
// a closed terminal removes them before it ends, and a later run removes what
// a run that could not (SIGKILL) left.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::temporary_files {

// A file this process has just created; removed by the signal handlers until
// Forget. Best effort: a name that does not fit is not kept.
void Remember(const std::string& path);
void Forget(const std::string& path);

// SIGINT, SIGTERM and SIGHUP remove every remembered file and end the process
// with 128 + the signal's number.
void RemoveOnSignals();

// The suffix of a temporary file beside a file: ".<pid>-<n>.tmp", n in hex.
std::string Suffix(long pid, unsigned long long number);

// Removes, in the folder of the host path, the temporary files beside it
// that are regular files of this user and whose process no longer exists.
// Gives the number removed.
int RemoveLeftovers(const std::string& hostPath);

}  // namespace tarnwick::temporary_files
