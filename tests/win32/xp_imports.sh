#!/usr/bin/env bash
# The Windows programs must start on Windows XP: a program that imports a
# function the system lacks does not start at all. Fails when a program
# imports one of the functions that came with Vista or later and that
# compilers and runtimes are known to pull in.
#   xp_imports.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
newer='^(GetTickCount64|InitializeSRWLock|AcquireSRWLock(Exclusive|Shared)|ReleaseSRWLock(Exclusive|Shared)|TryAcquireSRWLock(Exclusive|Shared)|InitializeConditionVariable|SleepConditionVariable(CS|SRW)|WakeConditionVariable|WakeAllConditionVariable|InitOnce(ExecuteOnce|BeginInitialize|Complete|Initialize)|Fls(Alloc|Free|GetValue|SetValue)|CreateSymbolicLink[AW]|GetFinalPathNameByHandle[AW]|GetFileInformationByHandleEx|SetFileInformationByHandle|CancelIoEx|Create(Event|Mutex|Semaphore)Ex[AW]|GetLocaleInfoEx|LCMapStringEx|CompareStringEx|GetUserDefaultLocaleName|RegGetValue[AW]|RegDeleteKeyEx[AW]|GetErrorMode|QueryFullProcessImageName[AW]|GetThreadId|GetProcessId)$'
status=0
for program in "$@"; do
  imports=$("$objdump" -p "$program" | awk '/DLL Name/ { dll = $3 } /^\t[0-9a-f]+\t +[0-9]+ / { print $3 }')
  found=$(printf '%s\n' "$imports" | grep -E "$newer" || true)
  if [ -n "$found" ]; then
    echo "$(basename "$program") imports what Windows XP lacks: $(echo $found)" >&2
    status=1
  else
    echo "$(basename "$program"): $(printf '%s\n' "$imports" | wc -l) imports, none newer than Windows XP"
  fi
done
exit $status
