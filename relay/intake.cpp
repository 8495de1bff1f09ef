// The print-job intake on the main thread: waits for a job, starts its
// worker, maps and acknowledges every chunk, and shuts the worker down at the
// job's end marker.  Towards the producer every chunk-ready is answered by
// exactly one chunk-consumed.  While it waits for a job or a chunk it also
// looks whether its producer can still signal it: a job nobody can finish is
// ended, and the relay ends when nobody can send another.
#include "host/trace/trace.h"
#include "relay/job_record.h"
#include "relay/mapped_view.h"
#include "relay/relay.h"

namespace {

HANDLE AsHandle(uint64_t value) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)); }

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

// The Control block's view, or false (traced) when it cannot be read: a
// SEC_RESERVE control mapping maps, but its pages fault until committed.
bool ControlBlockReadable(const MappedView& control) {
  if (control.bytes() == nullptr) {
    TraceFailure(TRACE_CONTROL_VIEW_FAILED, GetLastError());
    return false;
  }
  if (control.committedSize() < sizeof(ControlBlock)) {
    TraceFailure(TRACE_CONTROL_VIEW_FAILED, ERROR_INVALID_ADDRESS);
    return false;
  }
  return true;
}

bool ReadJobHandles(HANDLE controlMapping, JobHandles* job) {
  MappedView control(controlMapping);
  if (!ControlBlockReadable(control)) return false;
  job->chunkMapping = AsHandle(ReadField(control.bytes(), offsetof(ControlBlock, chunkMapping)));
  job->chunkConsumed = AsHandle(ReadField(control.bytes(), offsetof(ControlBlock, chunkConsumedEvent)));
  job->chunkReady = AsHandle(ReadField(control.bytes(), offsetof(ControlBlock, chunkReadyEvent)));
  // Once per job: a section's size never changes, and under Wine every
  // query is a round trip to the wineserver.
  if (!QuerySectionSize(job->chunkMapping, &job->chunkSectionSize)) job->chunkSectionSize = 0;
  return true;
}

// The handles a job names, kept from the Java application's children like
// the relay's others; a producer that names the same ones for every job
// costs these calls once.
void KeepJobHandlesFromChildren(const JobHandles& job, JobHandles* kept) {
  if (job.chunkMapping != kept->chunkMapping) KeepFromChildren(job.chunkMapping);
  if (job.chunkConsumed != kept->chunkConsumed) KeepFromChildren(job.chunkConsumed);
  if (job.chunkReady != kept->chunkReady) KeepFromChildren(job.chunkReady);
  *kept = job;
}

// kNotBound: the job's worker stopped without binding to Java.
enum class ChunkOutcome { kHandedOver, kHandled, kEndMarker, kUnreadable, kNotBound };

// Reads one chunk in its view and hands it to the worker.
ChunkOutcome PassChunkOn(const MappedView& view, const JobHandles& job, RelaySlot* slot, JobRecord* record) {
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
      CountJobChunk(record, static_cast<uint32_t>(length));
      HandOffChunk(slot, view.bytes() + kChunkDataOffset, static_cast<uint32_t>(length));
      return length > 0 ? ChunkOutcome::kHandedOver : ChunkOutcome::kHandled;
  }
  return ChunkOutcome::kHandled;
}

// Maps one chunk, passes it on and answers it.  A data chunk is answered
// once its bytes are in Java's hands, the end marker once Java is back from
// the last of them (javaHasData: the job handed some over): the job's end
// then leaves only "writeEnd" to come.  Both are answered as a job that
// failed once the worker is known to have stopped without Java: the end
// marker of a job whose worker still binds waits for the binding.
ChunkOutcome TakeChunk(const JobHandles& job, RelaySlot* slot, bool javaHasData, JobRecord* record) {
  MappedView view(job.chunkMapping);
  ChunkOutcome outcome = PassChunkOn(view, job, slot, record);
  if (outcome == ChunkOutcome::kEndMarker && javaHasData) AwaitLastChunkPassed(slot);
  if ((outcome == ChunkOutcome::kEndMarker || outcome == ChunkOutcome::kHandedOver) && WorkerNeverBound(slot)) {
    outcome = ChunkOutcome::kNotBound;
  }
  // Answered before the view is let go: nothing reads it any more, and the
  // producer need not wait for the unmapping (under Wine a round trip to
  // the wineserver).
  SetEvent(job.chunkConsumed);
  return outcome;
}

enum class JobEnd { kEndMarker, kChunkWaitFailed, kChunkUnreadable, kProducerGone, kNotBound };

// firstChunkSignalled: the job's first chunk-ready was taken already.
JobEnd ReceiveChunks(const JobHandles& job, const ProducerWatch& producer, RelaySlot* slot, bool firstChunkSignalled,
                     JobRecord* record) {
  bool javaHasData = false;
  for (;;) {
    DWORD wait = firstChunkSignalled ? WAIT_OBJECT_0 : WaitForSingleObject(job.chunkReady, kProducerCheckMs);
    firstChunkSignalled = false;
    if (wait == WAIT_TIMEOUT) {
      // A producer that ended in the middle of a job (a spooler restart)
      // sends no end marker: the job ends here, its Java job with it, and the
      // relay at its first look while idle.  A slow producer is waited for.
      if (ProducerMayStillSignal(producer)) continue;
      TraceFailure(TRACE_PRODUCER_GONE_MID_JOB, 0);
      return JobEnd::kProducerGone;
    }
    if (wait != WAIT_OBJECT_0) {
      // A failed wait fails again at once: going on would spin.  Nothing was
      // received, so nothing is acknowledged; the job ends here.
      TraceFailure(TRACE_WAIT_FAILED, wait == WAIT_FAILED ? GetLastError() : wait);
      return JobEnd::kChunkWaitFailed;
    }
    ChunkOutcome outcome = TakeChunk(job, slot, javaHasData, record);
    javaHasData = javaHasData || outcome == ChunkOutcome::kHandedOver;
    // The end marker lives in the same mapping: a chunk that cannot be read
    // means no end marker can be either, so the job ends here, acknowledged
    // but without the job event, which would read as the next job's start.
    // The next job reads the Control block afresh.
    if (outcome == ChunkOutcome::kEndMarker) return JobEnd::kEndMarker;
    if (outcome == ChunkOutcome::kUnreadable) return JobEnd::kChunkUnreadable;
    if (outcome == ChunkOutcome::kNotBound) return JobEnd::kNotBound;
  }
}

// After a job ended at an unreadable chunk, or one the relay had no worker
// for or whose worker could not bind to Java: the producer may still send
// that job's chunks and its end marker, however late.  Each is answered
// unread, so no signal of the broken job stays pending for the next job's
// first wait to take; no job event answers the end marker, so the
// producer's wait for the end of the job fails.  Only the producer's next
// job event ends this (true: that job begins now), or its end, looked at as
// while receiving chunks.
bool DrainBrokenJob(const JobHandles& job, const ProducerWatch& producer) {
  // The job event first: once the next job has begun, its chunks are its own.
  HANDLE waits[2] = {producer.jobEvent, job.chunkReady};
  for (;;) {
    DWORD wait = WaitForMultipleObjects(2, waits, FALSE, kProducerCheckMs);
    if (wait == WAIT_OBJECT_0) return true;
    if (wait == WAIT_OBJECT_0 + 1) {
      SetEvent(job.chunkConsumed);
    } else if (wait != WAIT_TIMEOUT || !ProducerMayStillSignal(producer)) {
      // A failed wait, or nobody left to send: the wait for a job decides.
      return false;
    }
  }
}

// Tells the worker the job is over.  The order matters: with the length and
// data pointer cleared before the running flag, a worker that wakes finds no
// chunk and leaves its loop.  Its end is waited for only when the next job
// begins (RetireCurrentWorker): meanwhile its "writeEnd", its detach and its
// thread's end overlap the end-of-job signal and the wait for the next job.
void ShutDownWorker(RelaySlot* slot) {
  slot->length.store(0, std::memory_order_relaxed);
  slot->data.store(nullptr, std::memory_order_relaxed);
  slot->running.store(0, std::memory_order_release);
  WakeWorker(slot);
}

enum class Idle { kJobBegins, kEnd };

// Waits for the job event.  Every kProducerCheckMs of quiet it looks whether
// the producer can still signal it; the relay ends when nobody can and no
// worker is still in Java, so a "writeEnd" is never cut short.
Idle AwaitJob(const ProducerWatch& producer, WorkerRoster* roster) {
  for (;;) {
    DWORD wait = WaitForSingleObject(producer.jobEvent, kProducerCheckMs);
    if (wait == WAIT_OBJECT_0) return Idle::kJobBegins;
    if (wait != WAIT_TIMEOUT) {
      TraceFailure(TRACE_WAIT_FAILED, wait == WAIT_FAILED ? GetLastError() : wait);
      return Idle::kEnd;
    }
    // Asked every time, so the thread handles of workers let go past the
    // bound are closed once they end.
    bool workers = AnyWorkerRunning(roster);
    if (!workers && !ProducerMayStillSignal(producer)) {
      TraceFailure(TRACE_PRODUCER_GONE, 0);
      return Idle::kEnd;
    }
  }
}

}  // namespace

bool RunPrintRelay(uintptr_t controlMapping) {
  HANDLE starter = OpenStarterProcess();
  bool ran = RunPrintRelayFor(controlMapping, starter);
  if (starter != nullptr) CloseHandle(starter);
  return ran;
}

bool RunPrintRelayFor(uintptr_t controlMapping, HANDLE producerProcess) {
  ProducerWatch producer = {producerProcess, nullptr, reinterpret_cast<HANDLE>(controlMapping)};
  JobHandles kept = {};
  {
    MappedView view(producer.controlMapping);
    if (view.bytes() == nullptr) return false;
    // The relay has begun: an unreadable Control block ends it like a job
    // event of 0.
    if (!ControlBlockReadable(view)) return true;
    producer.jobEvent = AsHandle(ReadField(view.bytes(), offsetof(ControlBlock, jobEvent)));
  }
  TraceRunBegins(COURSE_MODE_RELAY);
  KeepFromChildren(producer.controlMapping);
  if (producer.jobEvent != INVALID_HANDLE_VALUE) KeepFromChildren(producer.jobEvent);

  WorkerRoster roster = {nullptr, nullptr, {}};
  bool jobBegun = false, firstChunkSignalled = false;
  JobRecord record = {};
  const char* why = COURSE_RELAY_NO_JOB_EVENT;
  while (producer.jobEvent != nullptr && producer.jobEvent != INVALID_HANDLE_VALUE) {
    // No worker is called for a job that never began: it would show Java a
    // job start and end the producer never sent.  Its thread is started
    // ahead all the same, while the relay waits.
    PrepareSpareWorker(&roster);
    if (!jobBegun && AwaitJob(producer, &roster) == Idle::kEnd) {
      why = COURSE_RELAY_NO_MORE_JOBS;
      break;
    }
    jobBegun = false;
    JobHandles job;
    if (!ReadJobHandles(producer.controlMapping, &job)) {
      why = COURSE_RELAY_CONTROL_UNREADABLE;
      break;
    }
    KeepJobHandlesFromChildren(job, &kept);
    RetireCurrentWorker(&roster, kWorkerBoundMs);
    RelaySlot* slot = StartNextWorker(&roster);
    BeginJobRecord(&record);
    if (slot == nullptr) {
      // Nothing of this job can reach Java: it fails towards the producer as
      // a job with an unusable chunk mapping does, never as one done.
      if (firstChunkSignalled) SetEvent(job.chunkConsumed);
      firstChunkSignalled = false;
      TraceJobEnded(record, COURSE_JOB_CUT_SHORT);
      jobBegun = DrainBrokenJob(job, producer);
      continue;
    }
    JobEnd end = ReceiveChunks(job, producer, slot, firstChunkSignalled, &record);
    firstChunkSignalled = false;
    if (end == JobEnd::kEndMarker) {
      // The end marker is acknowledged before the job event is signalled;
      // "writeEnd" follows both, on the worker's thread.
      SetEvent(producer.jobEvent);
      ShutDownWorker(slot);
      TraceJobEnded(record, COURSE_JOB_COMPLETE);
      // The next job's thread starts while this worker ends and the
      // producer takes the signal.
      PrepareSpareWorker(&roster);
      jobBegun = firstChunkSignalled = AwaitEndSignalTaken(producer, &roster) == EndSignal::kNextJobBegun;
    } else if (end == JobEnd::kNotBound) {
      // Nothing of this job reached Java: it fails as a job without a worker.
      // The worker has stopped; the rest of the job is answered unread.
      TraceJobNotDelivered(record, slot->bindFailure[0] != '\0' ? slot->bindFailure : BIND_WORKER_ENDED);
      ShutDownWorker(slot);
      jobBegun = DrainBrokenJob(job, producer);
    } else {
      ShutDownWorker(slot);
      TraceJobEnded(record, COURSE_JOB_CUT_SHORT);
      if (end == JobEnd::kChunkUnreadable) jobBegun = DrainBrokenJob(job, producer);
    }
  }
  RetireAllWorkers(&roster, kWorkerBoundMs);
  TraceRelayEnds(record.number, why);
  return true;
}
