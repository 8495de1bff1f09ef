// The print-job intake on the main thread: waits for a job, starts its
// worker, maps and acknowledges every chunk, and shuts the worker down at the
// job's end marker.  Towards the producer every chunk-ready is answered by
// exactly one chunk-consumed.
#include "host/trace.h"
#include "relay/relay.h"

namespace {

HANDLE AsHandle(uint64_t value) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)); }

// A view of the whole mapping with read and write access, as the producer
// grants it; unmapped on every path.
class MappedView {
 public:
  explicit MappedView(HANDLE mapping) : view_(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0)) {}
  ~MappedView() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;
  const unsigned char* bytes() const { return static_cast<const unsigned char*>(view_); }

  // Bytes readable from the start of the view.  The mapping's size is the
  // producer's word; the pages actually mapped are the system's.
  size_t size() const {
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(view_, &region, sizeof region) == 0) return 0;
    return region.RegionSize - static_cast<size_t>(bytes() - static_cast<const unsigned char*>(region.BaseAddress));
  }

 private:
  void* view_;
};

// The producer may rewrite the block at any moment; each field is read once.
uint64_t ReadField(const unsigned char* block, size_t offset) {
  return *reinterpret_cast<const volatile uint64_t*>(block + offset);
}

struct JobHandles {
  HANDLE chunkMapping;
  HANDLE chunkConsumed;
  HANDLE chunkReady;
};

bool ReadJobHandles(HANDLE controlMapping, JobHandles* job) {
  MappedView control(controlMapping);
  if (control.bytes() == nullptr) {
    TraceFailure(TRACE_CONTROL_VIEW_FAILED, GetLastError());
    return false;
  }
  job->chunkMapping = AsHandle(ReadField(control.bytes(), offsetof(ControlBlock, chunkMapping)));
  job->chunkConsumed = AsHandle(ReadField(control.bytes(), offsetof(ControlBlock, chunkConsumedEvent)));
  job->chunkReady = AsHandle(ReadField(control.bytes(), offsetof(ControlBlock, chunkReadyEvent)));
  return true;
}

// Maps one chunk, hands it to the worker and lets the view go.  True when
// it was the job's end marker.
bool TakeChunk(const JobHandles& job, RelaySlot* slot) {
  MappedView view(job.chunkMapping);
  if (view.bytes() == nullptr) {
    TraceFailure(TRACE_CHUNK_VIEW_FAILED, GetLastError());
    return false;
  }
  int32_t length = *reinterpret_cast<const volatile int32_t*>(view.bytes());
  switch (JudgeChunkLength(length, view.size())) {
    case ChunkKind::kEndMarker:
      return true;
    case ChunkKind::kMalformed:
      TraceFailure(TRACE_BAD_CHUNK_LENGTH, length);
      return false;
    case ChunkKind::kData:
      HandOffChunk(slot, view.bytes() + kChunkDataOffset, static_cast<uint32_t>(length));
      return false;
  }
  return false;
}

enum class JobEnd { kEndMarker, kChunkWaitFailed };

JobEnd ReceiveChunks(const JobHandles& job, RelaySlot* slot) {
  for (;;) {
    DWORD wait = WaitForSingleObject(job.chunkReady, INFINITE);
    if (wait != WAIT_OBJECT_0) {
      // A failed wait fails again at once: going on would spin.  Nothing was
      // received, so nothing is acknowledged; the job ends here.
      TraceFailure(TRACE_WAIT_FAILED, wait == WAIT_FAILED ? GetLastError() : wait);
      return JobEnd::kChunkWaitFailed;
    }
    bool endMarker = TakeChunk(job, slot);
    SetEvent(job.chunkConsumed);
    if (endMarker) return JobEnd::kEndMarker;
  }
}

// Tells the worker the job is over.  The order matters: with the length and
// data pointer cleared before the running flag, a worker that wakes finds no
// chunk and leaves its loop.
void ShutDownWorker(RelaySlot* slot) {
  slot->length.store(0, std::memory_order_relaxed);
  slot->data.store(nullptr, std::memory_order_relaxed);
  slot->running.store(0, std::memory_order_release);
  WakeWorker(slot);
  Sleep(0);
  if (slot->thread != nullptr) {
    DWORD code = STILL_ACTIVE;
    for (int reads = 0; reads < 2000 && GetExitCodeThread(slot->thread, &code) && code == STILL_ACTIVE; ++reads) {
    }
  }
  Sleep(50);
}

// The slot is reused only once the previous job's worker has ended: a slow
// "writeEnd" would otherwise see the next job's fields.
void RetireWorker(RelaySlot* slot) {
  if (slot->thread == nullptr) return;
  WaitForSingleObject(slot->thread, INFINITE);
  CloseHandle(slot->thread);
  slot->thread = nullptr;
}

}  // namespace

bool RunPrintRelay(uintptr_t controlMapping) {
  HANDLE control = reinterpret_cast<HANDLE>(controlMapping);
  HANDLE jobEvent = nullptr;
  {
    MappedView view(control);
    if (view.bytes() == nullptr) return false;
    jobEvent = AsHandle(ReadField(view.bytes(), offsetof(ControlBlock, jobEvent)));
  }

  RelaySlot slot;
  ClearRelaySlot(&slot);

  while (jobEvent != nullptr && jobEvent != INVALID_HANDLE_VALUE) {
    DWORD wait = WaitForSingleObject(jobEvent, INFINITE);
    // No worker for a job that never began: it would show Java a job start
    // and end the producer never sent, and outlive the relay.
    if (wait != WAIT_OBJECT_0) {
      TraceFailure(TRACE_WAIT_FAILED, wait == WAIT_FAILED ? GetLastError() : wait);
      break;
    }
    JobHandles job;
    if (!ReadJobHandles(control, &job)) break;
    RetireWorker(&slot);
    StartRelayWorker(&slot);
    // The end marker is acknowledged before the job event is signalled.
    if (ReceiveChunks(job, &slot) == JobEnd::kEndMarker) SetEvent(jobEvent);
    ShutDownWorker(&slot);
  }
  RetireWorker(&slot);
  return true;
}
