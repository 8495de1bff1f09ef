// The intake's workers.  The next job waits for the previous job's worker,
// since the Java application has one print object for all jobs, but only up
// to the worker bound: a "writeEnd" that never returns (a dialog left open, a
// deadlock in Java) must not stop printing.  What the next job waits for is
// the worker's leaving Java (detached), not its thread's end, which under
// Wine costs as much again.  A worker let go keeps its slot and frees it
// when it ends; the intake keeps its thread handle only to know whether it
// still runs, and closes it once it has ended.
#include "host/trace/trace.h"
#include "relay/relay.h"

namespace {

bool ThreadRunning(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; }

// Bound of one sleep on the worker's report: the thread is looked at between
// sleeps, in case it ended without reporting.
constexpr DWORD kOutOfJavaSliceMs = 100;

// Whether the worker left Java (or its thread ended) within boundMs.
bool LeftJavaWithin(RelaySlot* slot, DWORD boundMs) {
  ULONGLONG deadline = GetTickCount64() + boundMs;
  for (;;) {
    if (slot->outOfJava.load(std::memory_order_acquire) != 0) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD slice = static_cast<DWORD>(deadline - now < kOutOfJavaSliceMs ? deadline - now : kOutOfJavaSliceMs);
    if (!AwaitOutOfJava(slot, slice) && !ThreadRunning(slot->thread)) return true;
  }
}

}  // namespace

void RetireCurrentWorker(WorkerRoster* roster, DWORD boundMs) {
  RelaySlot* slot = roster->current;
  if (slot == nullptr) return;
  roster->current = nullptr;
  HANDLE thread = slot->thread;
  if (thread != nullptr) {
    if (!LeftJavaWithin(slot, boundMs)) TraceFailure(TRACE_WORKER_PAST_BOUND, WAIT_TIMEOUT);
    // Its handle is closed once the thread has ended.
    roster->lingering.push_back(thread);
  }
  ReleaseRelaySlot(slot);
}

void PrepareSpareWorker(WorkerRoster* roster) {
  if (roster->spare != nullptr) return;
  // Out of memory now, the job that begins tries again and traces it.
  roster->spare = NewRelaySlot();
  if (roster->spare != nullptr) StartRelayWorker(roster->spare);
}

RelaySlot* StartNextWorker(WorkerRoster* roster) {
  // Jobs back to back leave no idle time to forget ended workers in.
  ForgetEndedWorkers(roster);
  RelaySlot* slot = roster->spare;
  roster->spare = nullptr;
  if (slot != nullptr && slot->thread == nullptr) {
    // Its thread was not made while the relay waited (traced then, when no
    // job could tell): the job gets a worker made now instead.
    TraceFailure(TRACE_SPARE_WORKER_REPLACED, 0);
    ReleaseRelaySlot(slot);
    slot = nullptr;
  }
  if (slot == nullptr) {
    slot = NewRelaySlot();
    if (slot == nullptr) {
      TraceFailure(TRACE_WORKER_NOT_STARTED, ERROR_NOT_ENOUGH_MEMORY);
      TraceFailure(TRACE_JOB_WITHOUT_WORKER, ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    StartRelayWorker(slot);
    if (slot->thread == nullptr) {
      TraceFailure(TRACE_JOB_WITHOUT_WORKER, 0);
      ReleaseRelaySlot(slot);
      return nullptr;
    }
  }
  CallRelayWorker(slot, kJobBegun);
  roster->current = slot;
  return slot;
}

void ForgetEndedWorkers(WorkerRoster* roster) {
  std::vector<HANDLE>& lingering = roster->lingering;
  for (size_t i = 0; i < lingering.size();) {
    if (ThreadRunning(lingering[i])) {
      ++i;
    } else {
      CloseHandle(lingering[i]);
      lingering.erase(lingering.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

bool AnyWorkerRunning(WorkerRoster* roster) {
  ForgetEndedWorkers(roster);
  std::vector<HANDLE>& lingering = roster->lingering;
  HANDLE current = roster->current != nullptr ? roster->current->thread : nullptr;
  return !lingering.empty() || (current != nullptr && ThreadRunning(current));
}

void RetireAllWorkers(WorkerRoster* roster, DWORD boundMs) {
  ULONGLONG deadline = GetTickCount64() + boundMs;
  RelaySlot* spare = roster->spare;
  roster->spare = nullptr;
  // Never called, so never in Java: it leaves at once.
  if (spare != nullptr) CallRelayWorker(spare, kJobCancelled);
  RetireCurrentWorker(roster, boundMs);
  if (spare != nullptr) {
    roster->current = spare;
    RetireCurrentWorker(roster, boundMs);
  }
  for (HANDLE thread : roster->lingering) {
    ULONGLONG now = GetTickCount64();
    WaitForSingleObject(thread, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    CloseHandle(thread);
  }
  roster->lingering.clear();
}
