// Handing one chunk from the intake to the job's worker.  The chunk stays in
// the intake's view of the chunk mapping; the worker copies it from there
// into Java's arrays, so the view must stay mapped until the worker has let
// go of it, which it does before Java works on the bytes.
#include "relay/relay.h"

namespace {

// Bound of one sleep while the worker holds the chunk.  The worker wakes the
// intake when it is done; the bound only matters when it cannot (its thread
// ended, or it stopped just as the intake began to sleep).
constexpr DWORD kWaitSliceMs = 100;

bool WorkerThreadEnded(const RelaySlot* slot) {
  return slot->thread == nullptr || WaitForSingleObject(slot->thread, 0) != WAIT_TIMEOUT;
}

}  // namespace

void HandOffChunk(RelaySlot* slot, const unsigned char* data, uint32_t length) {
  // An empty chunk wakes nobody: there is nothing to take, and a worker woken
  // for nothing has nothing to clear.
  if (length == 0) return;
  // The call status and Java's result are the worker's to write: it may
  // still be in Java with the previous chunk.
  slot->data.store(data, std::memory_order_relaxed);
  // Data before length: a worker that sees the length sees the pointer too.
  slot->length.store(length, std::memory_order_release);
  WakeWorker(slot);
  for (;;) {
    uint32_t waiting = slot->length.load(std::memory_order_acquire);
    if (waiting == 0 || slot->running.load(std::memory_order_acquire) == 0) return;
    if (!AwaitLengthChange(slot, waiting, kWaitSliceMs) && WorkerThreadEnded(slot)) return;
  }
}

void AwaitLastChunkPassed(RelaySlot* slot) {
  // Usually Java is long back by the time the end marker comes: one look.
  while (slot->inCall.load(std::memory_order_acquire) != 0) {
    if (!AwaitCallReturn(slot, kWaitSliceMs) && WorkerThreadEnded(slot)) return;
  }
}

bool WorkerNeverBound(RelaySlot* slot) {
  for (;;) {
    int32_t binding = slot->binding.load(std::memory_order_acquire);
    if (binding != kBindPending) return binding == kBindFailed;
    // A thread that ended without a word bound nothing (looked at again: it
    // may have bound just before it ended).
    if (!AwaitBinding(slot, kWaitSliceMs) && WorkerThreadEnded(slot)) {
      return slot->binding.load(std::memory_order_acquire) != kBound;
    }
  }
}
