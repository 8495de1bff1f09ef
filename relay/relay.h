// jvmhost's print relay: the shared-memory protocol with the port monitor
// (Control block, Chunk block), the Relay slot that the intake and a job's
// worker thread share, and the operations on both sides of it.
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
  std::atomic<HANDLE> event;  // intake -> worker, auto-reset; INVALID_HANDLE_VALUE once closed
  std::atomic<int32_t> running;
  HANDLE thread;
  DWORD threadId;
  std::atomic<const unsigned char*> data;  // borrows the intake's view of the chunk
  std::atomic<uint32_t> length;            // non-zero: a chunk waits
  std::atomic<int32_t> callStatus;
  std::atomic<int32_t> javaResult;
  std::atomic<int32_t> headerPending;
};

constexpr uint32_t kHeaderLength = 2048;

void StartRelayWorker(RelaySlot* slot);
void HandOffChunk(RelaySlot* slot, const unsigned char* data, uint32_t length);
DWORD WINAPI RelayWorkerMain(LPVOID slot);

// Runs the relay on the control mapping; false when no view of it could be
// mapped (nothing was started then).
bool RunPrintRelay(uintptr_t controlMapping);
