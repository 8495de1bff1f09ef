// Whether the producer is still there.  The producer's process is the one
// that started jvmhost (a port monitor starts its relay): while it lives the
// relay lives, even when it keeps no handle of its own between jobs and
// opens the objects by name for each job.  Once it has ended, or when it was
// never known, the handle counts decide: the port monitor's process that
// feeds the relay holds the job event and the control mapping as long as it
// can use them, and its end closes them.
#include "relay/relay.h"

namespace {

bool CreationTime(HANDLE process, ULONGLONG* time) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
  *time = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  return true;
}

}  // namespace

HANDLE OpenStarterProcess() {
  DWORD starterId = 0;
  if (!QueryStarterProcessId(&starterId)) return nullptr;
  HANDLE starter = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, starterId);
  if (starter == nullptr) return nullptr;
  // A process id is reused once its process has ended: the starter must be
  // older than the process it started.
  ULONGLONG starterCreated = 0, ownCreated = 0;
  if (!CreationTime(starter, &starterCreated) || !CreationTime(GetCurrentProcess(), &ownCreated) ||
      starterCreated > ownCreated) {
    CloseHandle(starter);
    return nullptr;
  }
  return starter;
}

bool ProducerMayStillSignal(const ProducerWatch& producer) {
  if (producer.process != nullptr && WaitForSingleObject(producer.process, 0) == WAIT_TIMEOUT) return true;
  unsigned long jobEventHandles = 0, controlHandles = 0;
  if (!QueryHandleCount(producer.jobEvent, &jobEventHandles) ||
      !QueryHandleCount(producer.controlMapping, &controlHandles)) {
    return true;
  }
  // The counts include the relay's own handle to each; a producer in this
  // very process shares the job event's handle but holds its own control
  // mapping handle, so it still counts.
  return jobEventHandles > 1 || controlHandles > 1;
}

void KeepFromChildren(HANDLE handle) {
  // Fails for a value that is no handle; the relay finds that out where it
  // uses it.
  SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
}
