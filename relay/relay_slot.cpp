// The Relay slot's life, from its making to its freeing: cleared, held by the
// intake alone, prepared and held by a job's worker too, and freed by
// whichever side lets go last.  Neither side waits for the other to let go.
#include <new>

#include "host/trace/trace.h"
#include "relay/relay.h"

void ClearRelaySlot(RelaySlot* slot) {
  slot->wakeups.store(0);
  slot->jobCall.store(kJobAwaited);
  slot->running.store(0);
  slot->thread = nullptr;
  slot->threadId = 0;
  slot->data.store(nullptr);
  slot->length.store(0);
  slot->callStatus.store(0);
  slot->javaResult.store(0);
  slot->headerPending.store(0);
  slot->holders.store(0);
  slot->outOfJava.store(0);
  slot->inCall.store(0);
  slot->binding.store(kBindPending);
  slot->bindFailure[0] = '\0';
}

RelaySlot* NewRelaySlot() {
  RelaySlot* slot = new (std::nothrow) RelaySlot;
  if (slot == nullptr) return nullptr;
  ClearRelaySlot(slot);
  slot->holders.store(1);
  return slot;
}

namespace {

// The fault switch (relay.h): whether this start, counted from the process's
// first, is one the switch names.
bool ThreadStartRefusedBySwitch() {
  static unsigned long starts = 0;
  ++starts;
  char value[64];
  DWORD length = GetEnvironmentVariableA(WORKER_THREAD_FAULT_SWITCH, value, sizeof value);
  if (length == 0 || length >= sizeof value) return false;
  // Read by hand: no new import for a test switch (each is checked against
  // Windows 7).
  unsigned long refused = 0;
  for (const char* at = value;; ++at) {
    if (*at >= '0' && *at <= '9') {
      refused = refused * 10 + static_cast<unsigned long>(*at - '0');
      continue;
    }
    if (refused == starts) return true;
    if (*at != ',') return false;
    refused = 0;
  }
}

HANDLE CreateWorkerThread(RelaySlot* slot) {
  if (ThreadStartRefusedBySwitch()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return CreateThread(nullptr, 0, RelayWorkerMain, slot, 0, &slot->threadId);
}

}  // namespace

void StartRelayWorker(RelaySlot* slot) {
  ClearRelaySlot(slot);
  slot->headerPending.store(1);
  slot->running.store(1);
  // The worker's hold is taken for it before it can run, and let go again
  // when no thread comes.
  slot->holders.store(2);
  slot->thread = CreateWorkerThread(slot);
  if (slot->thread == nullptr) {
    // Running back at 0: HandOffChunk returns at once and the job drains.
    TraceFailure(TRACE_WORKER_NOT_STARTED, GetLastError());
    slot->running.store(0);
    slot->holders.store(1);
  }
}

void CallRelayWorker(RelaySlot* slot, RelayJobCall call) {
  slot->jobCall.store(call, std::memory_order_release);
  WakeWorker(slot);
}

void ReleaseRelaySlot(RelaySlot* slot) {
  // acq_rel: the side that frees the slot sees every write the other side
  // made before letting go.
  if (slot->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete slot;
}
