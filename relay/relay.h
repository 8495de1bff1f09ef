// jvmhost's print relay: the shared-memory protocol with the port monitor
// (Control block, Chunk block), the Relay slot that the intake and a job's
// worker thread share, and the operations on both sides of it.
//
//   intake.cpp      RunPrintRelay: jobs and chunks on the main thread
//   worker.cpp      StartRelayWorker, RelayWorkerMain: one thread per job
//   handoff.cpp     HandOffChunk: intake -> worker, one chunk at a time
//   wakeups.cpp     the slot's two wake-ups, on addresses
//   address_waits.cpp, wakeup_fallback.cpp
//                   the system's address waits where it has them, else a
//                   fallback (Windows 7)
//   chunk_rules.cpp what a chunk's length field means; the header rule
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Control block: the first 32 bytes of the control mapping.  Each field is a
// 64-bit little-endian handle value valid inside this process.
struct ControlBlock {
  uint64_t jobEvent;            // producer: a job begins; relay: its end marker arrived
  uint64_t chunkMapping;        // file mapping holding the Chunk block
  uint64_t chunkConsumedEvent;  // relay: the chunk has been passed on
  uint64_t chunkReadyEvent;     // producer: the Chunk block holds the next chunk
};
static_assert(sizeof(ControlBlock) == 32, "Control block is 32 bytes");
static_assert(offsetof(ControlBlock, chunkMapping) == 8, "Control block layout");
static_assert(offsetof(ControlBlock, chunkConsumedEvent) == 16, "Control block layout");
static_assert(offsetof(ControlBlock, chunkReadyEvent) == 24, "Control block layout");

// Chunk block: the start of the chunk mapping.  The data follows the length.
struct ChunkBlock {
  int32_t length;  // bytes of data that follow; kChunkEndMarker ends the job
};
constexpr int32_t kChunkEndMarker = -1;
constexpr size_t kChunkDataOffset = 4;

// ---------------------------------------------------------------------------
// Relay slot: shared by the intake (main thread) and one job's worker thread.
// No lock: every shared field is read and written whole, through atomics.
//
// Both directions of the handoff wait on an address of the slot
// (WaitOnAddress), never on a kernel object: under Wine every event signal
// and kernel wait is a round trip to the wineserver, and two of them per
// chunk cost more than the chunk's whole protocol with the producer.
//   intake -> worker: a chunk is published (data, then length), then
//     `wakeups` is bumped and woken; the worker sleeps on `wakeups` and can
//     miss no bump, because it compares the value it last saw.
//   worker -> intake: the worker clears data and length once Java has the
//     bytes, then wakes `length`, on which HandOffChunk sleeps.
struct RelaySlot {
  std::atomic<uint32_t> wakeups;  // bumped once per chunk and once at the end of the job
  std::atomic<int32_t> running;
  HANDLE thread;
  DWORD threadId;
  std::atomic<const unsigned char*> data;  // borrows the intake's view of the chunk
  std::atomic<uint32_t> length;            // non-zero: a chunk waits
  std::atomic<int32_t> callStatus;
  std::atomic<int32_t> javaResult;
  std::atomic<int32_t> headerPending;
};
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "WaitOnAddress needs plain 32-bit words");

constexpr uint32_t kHeaderLength = 2048;

// Every field of the slot to zero: the state before the first job.
void ClearRelaySlot(RelaySlot* slot);

// Prepares the slot and starts a worker thread on it.  When the thread cannot
// be created the slot is left with its running flag at 0, so the job's
// chunks are acknowledged and dropped instead of waited for.
void StartRelayWorker(RelaySlot* slot);

// Publishes one chunk to the worker; returns once the worker has passed it to
// Java or has stopped (its running flag is 0 or its thread has ended).  An
// empty chunk returns at once without waking the worker: there is nothing to
// take.
void HandOffChunk(RelaySlot* slot, const unsigned char* data, uint32_t length);

// Thread routine of a job's worker.  Exit code 0 after a job that ran to its
// end, 1 without a slot or when no bridge to Java could be made (the slot's
// running flag is then cleared, so the intake drains the job).
DWORD WINAPI RelayWorkerMain(LPVOID slot);

// Runs the relay on the control mapping; false when no view of it could be
// mapped (nothing was started then).  Returns true when the relay ended: the
// job event is 0 or all ones, a wait on it failed, or the control mapping
// could not be mapped again.  No worker thread outlives the return.
bool RunPrintRelay(uintptr_t controlMapping);

// ---------------------------------------------------------------------------
// The slot's wake-ups (wakeups.cpp).
// Worker side: the value of `wakeups` to compare against, read before the
// slot's other fields are looked at.
uint32_t ReadWakeups(const RelaySlot* slot);
// Sleeps until `wakeups` differs from seen (at once if it already does).
void AwaitWakeup(RelaySlot* slot, uint32_t seen);
// Intake side: wakes the worker for what was stored into the slot before.
void WakeWorker(RelaySlot* slot);
// Worker side: wakes the intake after clearing the slot or stopping.
void WakeIntake(RelaySlot* slot);
// Intake side: sleeps while `length` still equals seen, at most timeoutMs;
// false when the time ran out.
bool AwaitLengthChange(RelaySlot* slot, uint32_t seen, DWORD timeoutMs);

// ---------------------------------------------------------------------------
// The rules on one chunk, apart from any Win32 call (chunk_rules.cpp).
enum class ChunkKind {
  kData,       // length bytes of data follow
  kEndMarker,  // the job is over
  kMalformed,  // below -1, or more bytes than the view holds: acknowledged and skipped
};
// viewSize: bytes readable from the start of the Chunk block.
ChunkKind JudgeChunkLength(int32_t length, size_t viewSize);

// Bytes of a chunk that go to "writeHeader": kHeaderLength when the job's
// first non-empty chunk holds at least that many, else 0.
uint32_t HeaderBytesOf(uint32_t chunkLength, bool headerPending);
