// Handing one chunk from the intake to the job's worker.  The chunk stays in
// the intake's view of the chunk mapping; the worker reads it in place, so
// the view must stay mapped until the worker has let go of it.
#include "relay/relay.h"

namespace {

void WakeWorker(RelaySlot* slot) {
  HANDLE event = slot->event.load();
  // A worker that ended or never started left no event to signal.
  if (event != nullptr && event != INVALID_HANDLE_VALUE) SetEvent(event);
}

bool WorkerHoldsChunk(const RelaySlot* slot) {
  return slot->running.load(std::memory_order_acquire) != 0 && slot->length.load(std::memory_order_acquire) != 0;
}

}  // namespace

void HandOffChunk(RelaySlot* slot, const unsigned char* data, uint32_t length) {
  // An empty chunk wakes nobody: the worker clears the slot after every
  // wake-up, and a clearing that came late would erase the next chunk.
  if (length == 0) return;
  slot->length.store(length, std::memory_order_relaxed);
  slot->data.store(data, std::memory_order_relaxed);
  slot->callStatus.store(1, std::memory_order_relaxed);
  slot->javaResult.store(0, std::memory_order_release);
  WakeWorker(slot);
  if (slot->running.load(std::memory_order_acquire) == 0) return;
  Sleep(0);
  // Back-off: 0, 5, 10 ... 45 ms, then 100 ms a pass.
  for (DWORD pass = 0; WorkerHoldsChunk(slot); ++pass) Sleep(pass < 10 ? pass * 5 : 100);
}
