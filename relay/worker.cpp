// The relay worker: one thread per print job, the only thread that makes the
// job's Java calls.  It binds to Java, starts the job, takes each chunk the
// intake hands over into Java arrays and passes them on, and ends the job.
#include <cstdio>

#include "host/host.h"
#include "host/trace/trace.h"
#include "relay/relay.h"

namespace {

// One chunk as Java is to get it: the header's array (the job's first
// non-empty chunk, when it holds at least kHeaderLength bytes) and the
// rest's; null where no call is due.
struct ChunkForJava {
  jbyteArray header;
  jbyteArray data;
  bool refused;  // an array could not be made: the job's Java side ends at this chunk
};

// Copies the chunk waiting in the slot into its Java arrays.  A header made
// before the rest's array was refused still goes to Java, as it did when
// each array was made just before its call.
ChunkForJava CopyChunkForJava(RelaySlot* slot, Bridge* bridge, uint32_t length) {
  ChunkForJava chunk = {nullptr, nullptr, false};
  const unsigned char* data = slot->data.load(std::memory_order_relaxed);
  if (data == nullptr) return chunk;
  if (slot->headerPending.load(std::memory_order_relaxed) != 0) {
    slot->headerPending.store(0, std::memory_order_relaxed);
    uint32_t header = HeaderBytesOf(length, true);
    if (header != 0) {
      chunk.header = BridgeMakeArray(bridge, data, static_cast<int32_t>(header));
      // A header Java did not get ends the job as refused data does: Java
      // must not take the rest of a job for a whole one.
      if (chunk.header == nullptr) {
        TraceFailure(TRACE_HEADER_NOT_PASSED, header);
        chunk.refused = true;
        return chunk;
      }
      data += header;
      length -= header;
    }
  }
  if (length == 0) return chunk;
  // The intake accepts no length above INT32_MAX, so the cast keeps it.
  chunk.data = BridgeMakeArray(bridge, data, static_cast<int32_t>(length));
  if (chunk.data == nullptr) {
    TraceFailure(TRACE_DATA_NOT_PASSED, length);
    chunk.refused = true;
  }
  return chunk;
}

void PassToJava(RelaySlot* slot, Bridge* bridge, const ChunkForJava& chunk) {
  if (chunk.header != nullptr) BridgeCallWriteHeader(bridge, chunk.header);
  if (chunk.data == nullptr) return;
  slot->javaResult.store(BridgeCallWritePSData(bridge, chunk.data), std::memory_order_relaxed);
}

DWORD RunJob(RelaySlot* slot) {
  Bridge* bridge = CreateBridge();
  if (bridge == nullptr) {
    // Traced by the intake, with the job: it fails the job towards the
    // producer.  The reason and the binding come before the running flag,
    // so an intake that sees the worker stopped knows why.
    snprintf(slot->bindFailure, sizeof slot->bindFailure, "%s", LastBridgeFailure());
    ReportBinding(slot, kBindFailed);
    // Nobody takes chunks now: a running flag left at 1 would keep the
    // intake waiting for ever on the job's first chunk.
    slot->running.store(0, std::memory_order_release);
    WakeIntake(slot);
    return 1;
  }
  // Before any chunk is taken: an intake that sees a chunk taken sees this.
  ReportBinding(slot, kBound);
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
    ChunkForJava chunk = CopyChunkForJava(slot, bridge, length);
    slot->callStatus.store(chunk.refused ? 0 : 1, std::memory_order_relaxed);
    bool calls = chunk.header != nullptr || chunk.data != nullptr;
    // Seen by the intake with the cleared length or the cleared running flag,
    // whichever it meets first: it answers the job's end marker only once
    // Java is back.  So it is stored before both (a header made before the
    // rest's array was refused still goes to Java).  Every store the intake
    // acts on follows the same rule: what it must see of a chunk comes
    // before the release store that lets it go on (the running flag, then
    // the length), and the release stores pair with its acquire loads.  No
    // test pauses between two of these stores: nothing of Java's runs
    // between them, so only a switch in this loop could make one, and the
    // loop takes no switch.
    if (calls) slot->inCall.store(1, std::memory_order_relaxed);
    if (chunk.refused) slot->running.store(0, std::memory_order_release);
    // Taken: the bytes are in Java's arrays, so the intake may unmap the view
    // and acknowledge the chunk, and the producer fill the next one, while
    // Java works on these.  Cleared only for a chunk that was taken: the
    // intake takes a zero length as "the chunk is through".  The next chunk
    // waits in the slot until Java has returned.
    slot->data.store(nullptr, std::memory_order_relaxed);
    slot->length.store(0, std::memory_order_release);
    WakeIntake(slot);
    PassToJava(slot, bridge, chunk);
    if (calls) ReportCallReturned(slot);
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
