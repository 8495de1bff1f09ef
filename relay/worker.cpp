// The relay worker: one thread per print job, the only thread that makes the
// job's Java calls.  It binds to Java, starts the job, passes on each chunk
// the intake hands over, and ends the job.
#include "host/host.h"
#include "host/trace.h"
#include "relay/relay.h"

namespace {

// Passes the chunk of `length` bytes waiting in the slot to Java.  False
// when Java could not be given the bytes, which ends the job's worker.
bool PassChunk(RelaySlot* slot, Bridge* bridge, uint32_t length) {
  const unsigned char* data = slot->data.load(std::memory_order_relaxed);
  if (data == nullptr) return true;
  if (slot->headerPending.load(std::memory_order_relaxed) != 0) {
    slot->headerPending.store(0, std::memory_order_relaxed);
    uint32_t header = HeaderBytesOf(length, true);
    if (header != 0) {
      // A header Java did not get ends the job as refused data does: Java
      // must not take the rest of a job for a whole one.
      if (BridgeWriteHeader(bridge, data, static_cast<int32_t>(header)) == 0) {
        TraceFailure(TRACE_HEADER_NOT_PASSED, header);
        slot->callStatus.store(0, std::memory_order_relaxed);
        return false;
      }
      data += header;
      length -= header;
    }
  }
  int32_t javaResult = slot->javaResult.load(std::memory_order_relaxed);
  // The intake accepts no length above INT32_MAX, so the cast keeps it.
  int32_t status = BridgeWritePSData(bridge, data, static_cast<int32_t>(length), &javaResult);
  slot->javaResult.store(javaResult, std::memory_order_relaxed);
  slot->callStatus.store(status, std::memory_order_relaxed);
  if (status == 0) TraceFailure(TRACE_DATA_NOT_PASSED, length);
  return status != 0;
}

DWORD RunJob(RelaySlot* slot) {
  Bridge* bridge = CreateBridge();
  if (bridge == nullptr) {
    TraceFailure(TRACE_WORKER_NOT_BOUND, 0);
    // Nobody takes chunks now: a running flag left at 1 would keep the
    // intake waiting for ever on the job's first chunk.
    slot->running.store(0, std::memory_order_release);
    WakeIntake(slot);
    return 1;
  }
  BridgeStartJob(bridge);
  for (;;) {
    // Read before the fields it guards: a bump after this read makes the
    // wait below return at once.
    uint32_t seen = ReadWakeups(slot);
    if (slot->running.load(std::memory_order_acquire) == 0) break;
    uint32_t length = slot->length.load(std::memory_order_acquire);
    if (length == 0) {
      AwaitWakeup(slot, seen);
      continue;
    }
    if (!PassChunk(slot, bridge, length)) slot->running.store(0, std::memory_order_release);
    // Cleared only after the Java call has returned, and only for a chunk
    // that was taken: the intake takes a zero length as "the chunk is
    // through" and unmaps it.
    slot->data.store(nullptr, std::memory_order_relaxed);
    slot->length.store(0, std::memory_order_release);
    WakeIntake(slot);
  }
  BridgeEndJob(bridge);
  DestroyBridge(bridge);
  return 0;
}

// Waits until the intake calls the worker; true when its job has begun.
bool AwaitJobCall(RelaySlot* slot) {
  for (;;) {
    // Read before the call, as in the chunk loop: a call after this read
    // makes the wait return at once.
    uint32_t seen = ReadWakeups(slot);
    int32_t call = slot->jobCall.load(std::memory_order_acquire);
    if (call != kJobAwaited) return call == kJobBegun;
    AwaitWakeup(slot, seen);
  }
}

}  // namespace

DWORD WINAPI RelayWorkerMain(LPVOID parameter) {
  RelaySlot* slot = static_cast<RelaySlot*>(parameter);
  if (slot == nullptr) return 1;
  DWORD exitCode = AwaitJobCall(slot) ? RunJob(slot) : 1;
  // Detached: the next job's worker may bind to Java now, while this thread
  // still ends (under Wine its end costs as much as a bind).
  ReportOutOfJava(slot);
  // Last: once let go, the slot may be freed at any moment.
  ReleaseRelaySlot(slot);
  return exitCode;
}
