// Finding and ending the running product process, so that it does not hold
// the driver files open while they are replaced.
#include <cstring>

#include "setup/setup.h"
#include "setup/texts.h"
#include "setup/trace.h"
#include "setup/win32_handle.h"

namespace {

const ProcessWalk kSnapshotWalk = {Process32First, Process32Next};

}  // namespace

BOOL NextProcessEntryIn(const ProcessWalk& walk, HANDLE list, PROCESSENTRY32* entry) {
  BOOL more;
  // Id 0 is the idle pseudo-process: it has no executable of its own.
  do {
    more = walk.next(list, entry);
  } while (more && entry->th32ProcessID == 0);
  return more;
}

int FindProcessIn(const ProcessWalk& walk, HANDLE list, const char* pattern, PROCESSENTRY32* entry) {
  char upperPattern[MAX_PATH];
  // A longer pattern could not occur in a name of at most MAX_PATH bytes.
  if (std::strlen(pattern) >= sizeof upperPattern) return 0;
  std::strcpy(upperPattern, pattern);
  UpperCaseAscii(upperPattern);

  if (!walk.first(list, entry)) return 0;
  if (entry->th32ProcessID == 0 && !NextProcessEntryIn(walk, list, entry)) return 0;
  for (;;) {
    UpperCaseAscii(entry->szExeFile);
    if (NameContainsPattern(entry->szExeFile, upperPattern)) return 1;
    if (!NextProcessEntryIn(walk, list, entry)) return 0;
  }
}

BOOL NextProcessEntry(HANDLE snapshot, PROCESSENTRY32* entry) {
  return NextProcessEntryIn(kSnapshotWalk, snapshot, entry);
}

int FindProcessByPattern(const char* pattern, PROCESSENTRY32* entry) {
  Win32Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  // Without a snapshot (INVALID_HANDLE_VALUE) Process32First fails: no match.
  return FindProcessIn(kSnapshotWalk, snapshot.get(), pattern, entry);
}

bool EndProductProcess() {
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  if (FindProcessByPattern(kProductProcessPattern, &entry) != 1) return false;
  Win32Handle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
  // Another user's process stays out of reach without the rights; the
  // installation goes on regardless.
  if (!process) {
    TraceStepFailure(SETUP_TRACE_OPEN_PRODUCT_PROCESS, GetLastError());
    return false;
  }
  // Not waited for: the copying that follows does not depend on it.
  if (!TerminateProcess(process.get(), 0)) {
    TraceStepFailure(SETUP_TRACE_END_PRODUCT_PROCESS, GetLastError());
    return false;
  }
  return true;
}
