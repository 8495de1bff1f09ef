// The print-job intake on the main thread: waits for a job, starts its
// worker, maps and acknowledges every chunk, and shuts the worker down at the
// job's end marker.  Towards the producer every chunk-ready is answered by
// exactly one chunk-consumed.  While it waits for a job or a chunk it also
// looks whether anyone else can still signal it: a job nobody can finish is
// ended, and the relay ends when nobody can send another.
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

  // Bytes that can be read from the start of the view: its committed pages.
  // A section made with SEC_RESERVE maps, but its pages fault until the
  // producer commits them.
  size_t committedSize() const {
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(view_, &region, sizeof region) == 0) return 0;
    if (region.State != MEM_COMMIT || (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) return 0;
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
  uint64_t chunkSectionSize;  // 0 when the system does not tell it
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
  // Once per job: a section's size never changes, and under Wine every
  // query is a round trip to the wineserver.
  if (!QuerySectionSize(job->chunkMapping, &job->chunkSectionSize)) job->chunkSectionSize = 0;
  return true;
}

enum class ChunkOutcome { kHandled, kEndMarker, kUnreadable };

// Maps one chunk, hands it to the worker and lets the view go.  A slot of
// null (none could be had) drops the chunk.
ChunkOutcome TakeChunk(const JobHandles& job, RelaySlot* slot) {
  MappedView view(job.chunkMapping);
  if (view.bytes() == nullptr) {
    TraceFailure(TRACE_CHUNK_VIEW_FAILED, GetLastError());
    return ChunkOutcome::kUnreadable;
  }
  size_t readable = ReadableChunkBytes(view.committedSize(), job.chunkSectionSize);
  if (readable < kChunkDataOffset) {
    TraceFailure(TRACE_CHUNK_VIEW_FAILED, ERROR_INVALID_ADDRESS);
    return ChunkOutcome::kUnreadable;
  }
  int32_t length = *reinterpret_cast<const volatile int32_t*>(view.bytes());
  switch (JudgeChunkLength(length, readable)) {
    case ChunkKind::kEndMarker:
      return ChunkOutcome::kEndMarker;
    case ChunkKind::kMalformed:
      TraceFailure(TRACE_BAD_CHUNK_LENGTH, length);
      return ChunkOutcome::kHandled;
    case ChunkKind::kData:
      if (slot != nullptr) HandOffChunk(slot, view.bytes() + kChunkDataOffset, static_cast<uint32_t>(length));
      return ChunkOutcome::kHandled;
  }
  return ChunkOutcome::kHandled;
}

enum class JobEnd { kEndMarker, kChunkWaitFailed, kChunkUnreadable, kProducerGone };

JobEnd ReceiveChunks(const JobHandles& job, HANDLE jobEvent, HANDLE control, RelaySlot* slot) {
  for (;;) {
    DWORD wait = WaitForSingleObject(job.chunkReady, kProducerCheckMs);
    if (wait == WAIT_TIMEOUT) {
      // A producer that ended in the middle of a job (a spooler restart)
      // sends no end marker: the job ends here, its Java job with it, and the
      // relay at its first look while idle.  A slow producer is waited for.
      if (ProducerMayStillSignal(jobEvent, control)) continue;
      TraceFailure(TRACE_PRODUCER_GONE_MID_JOB, 0);
      return JobEnd::kProducerGone;
    }
    if (wait != WAIT_OBJECT_0) {
      // A failed wait fails again at once: going on would spin.  Nothing was
      // received, so nothing is acknowledged; the job ends here.
      TraceFailure(TRACE_WAIT_FAILED, wait == WAIT_FAILED ? GetLastError() : wait);
      return JobEnd::kChunkWaitFailed;
    }
    ChunkOutcome outcome = TakeChunk(job, slot);
    SetEvent(job.chunkConsumed);
    // The end marker lives in the same mapping: a chunk that cannot be read
    // means no end marker can be either, so the job ends here, acknowledged
    // but without the job event, which would read as the next job's start.
    // The next job reads the Control block afresh.
    if (outcome == ChunkOutcome::kEndMarker) return JobEnd::kEndMarker;
    if (outcome == ChunkOutcome::kUnreadable) return JobEnd::kChunkUnreadable;
  }
}

// Tells the worker the job is over.  The order matters: with the length and
// data pointer cleared before the running flag, a worker that wakes finds no
// chunk and leaves its loop.
void ShutDownWorker(RelaySlot* slot) {
  if (slot == nullptr) return;
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

enum class Idle { kJobBegins, kEnd };

// Waits for the job event.  Every kProducerCheckMs of quiet it looks whether
// the producer can still signal it; the relay ends when nobody can and no
// worker is still in Java, so a "writeEnd" is never cut short.
Idle AwaitJob(HANDLE jobEvent, HANDLE control, WorkerRoster* roster) {
  for (;;) {
    DWORD wait = WaitForSingleObject(jobEvent, kProducerCheckMs);
    if (wait == WAIT_OBJECT_0) return Idle::kJobBegins;
    if (wait != WAIT_TIMEOUT) {
      TraceFailure(TRACE_WAIT_FAILED, wait == WAIT_FAILED ? GetLastError() : wait);
      return Idle::kEnd;
    }
    if (!ProducerMayStillSignal(jobEvent, control) && !AnyWorkerRunning(roster)) {
      TraceFailure(TRACE_PRODUCER_GONE, 0);
      return Idle::kEnd;
    }
  }
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

  WorkerRoster roster = {nullptr, {}};
  while (jobEvent != nullptr && jobEvent != INVALID_HANDLE_VALUE) {
    // No worker for a job that never began: it would show Java a job start
    // and end the producer never sent, and outlive the relay.
    if (AwaitJob(jobEvent, control, &roster) == Idle::kEnd) break;
    JobHandles job;
    if (!ReadJobHandles(control, &job)) break;
    RetireCurrentWorker(&roster, kWorkerBoundMs);
    RelaySlot* slot = StartNextWorker(&roster);
    // The end marker is acknowledged before the job event is signalled.
    if (ReceiveChunks(job, jobEvent, control, slot) == JobEnd::kEndMarker) SetEvent(jobEvent);
    ShutDownWorker(slot);
  }
  RetireAllWorkers(&roster, kWorkerBoundMs);
  return true;
}
