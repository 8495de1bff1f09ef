// jvmhost's print relay: the shared-memory protocol with the port monitor
// (Control block, Chunk block), the Relay slot that the intake and a job's
// worker thread share, and the operations on both sides of it.
//
//   intake.cpp      RunPrintRelay: jobs and chunks on the main thread
//   worker.cpp      StartRelayWorker, RelayWorkerMain: one thread per job
//   handoff.cpp     HandOffChunk: intake -> worker, one chunk at a time
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
struct RelaySlot {
  std::atomic<HANDLE> event;  // intake -> worker, auto-reset; INVALID_HANDLE_VALUE once the worker ended
  std::atomic<int32_t> running;
  HANDLE thread;
  DWORD threadId;
  std::atomic<const unsigned char*> data;  // borrows the intake's view of the chunk
  std::atomic<uint32_t> length;            // non-zero: a chunk waits
  std::atomic<int32_t> callStatus;
  std::atomic<int32_t> javaResult;
  std::atomic<int32_t> headerPending;
  // The event as created.  The intake closes it, once the worker thread has
  // ended: a worker closing it itself could do so between the intake's read
  // of `event` and its signal, and the signal would then reach whatever
  // object reused the handle value.
  HANDLE createdEvent;
};

constexpr uint32_t kHeaderLength = 2048;

// Prepares the slot and starts a worker thread on it.  When the event or the
// thread cannot be created the slot is left with its running flag at 0, so
// the job's chunks are acknowledged and dropped instead of waited for.
void StartRelayWorker(RelaySlot* slot);

// Publishes one chunk to the worker; returns once the worker has passed it to
// Java or has stopped.  An empty chunk returns at once without waking the
// worker: there is nothing to take.
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
