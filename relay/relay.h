// jvmhost's print relay: the shared-memory protocol with the port monitor
// (Control block, Chunk block), the Relay slot that the intake and a job's
// worker thread share, and the operations on both sides of it.
//
//   intake.cpp            RunPrintRelay: jobs and chunks on the main thread
//   end_signal.cpp        the end of a job: the producer takes the relay's
//                         signal, the relay never takes it back
//   relay_slot.cpp        the slot's life: made, prepared for a job's worker
//                         (StartRelayWorker), freed by the side that lets go last
//   worker.cpp            RelayWorkerMain: one thread per job
//   handoff.cpp           HandOffChunk: intake -> worker, one chunk at a time
//   wakeups.cpp           the slot's two wake-ups, on addresses
//   address_waits.cpp, wakeup_fallback.cpp
//                         the system's address waits where it has them, else a
//                         fallback (Windows 7)
//   chunk_rules.cpp       what a chunk's length field means; the header rule
//   worker_roster.cpp     the intake's workers: the current one, and those
//                         let go past the worker bound
//   kernel_queries.cpp    what ntdll tells of a handle (its object's handle
//                         count, a section's size, an event's state) and of
//                         this process (who started it)
//   producer_presence.cpp whether the producer can still signal the relay
//   mapped_view.h         a view of a producer's mapping, committed pages only
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

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
// One slot per job, on the heap, never reused: a worker still in Java when
// the next job begins (a "writeEnd" that does not return) keeps its own slot,
// so nothing of a later job can reach it.  Ownership:
//   - the intake creates the slot (NewRelaySlot), owns the thread handle and
//     writes the chunk fields; it holds the slot until the next job begins
//     or the relay ends;
//   - the worker holds the slot from its start to its last act;
//   - each side lets go with ReleaseRelaySlot, and the one that lets go last
//     frees it.  A worker the intake has given up on past the worker bound
//     thus frees its own slot when it finally ends; the intake keeps only its
//     thread handle (WorkerRoster).
//
// Both directions of the handoff wait on an address of the slot
// (WaitOnAddress), never on a kernel object: under Wine every event signal
// and kernel wait is a round trip to the wineserver, and two of them per
// chunk cost more than the chunk's whole protocol with the producer.
//   intake -> worker: a chunk is published (data, then length), then
//     `wakeups` is bumped and woken; the worker sleeps on `wakeups` and can
//     miss no bump, because it compares the value it last saw.
//   worker -> intake: the worker clears data and length once the bytes are
//     in Java's arrays, before it calls Java with them, then wakes `length`,
//     on which HandOffChunk sleeps.  The intake then unmaps and acknowledges
//     while Java works; the next chunk waits in the slot until the worker is
//     back from Java.
struct RelaySlot {
  std::atomic<uint32_t> wakeups;  // bumped once per chunk, once when the job begins and once at its end
  std::atomic<int32_t> jobCall;   // a RelayJobCall: whether the worker has a job to bind to Java for
  std::atomic<int32_t> running;
  HANDLE thread;
  DWORD threadId;
  std::atomic<const unsigned char*> data;  // borrows the intake's view of the chunk
  std::atomic<uint32_t> length;            // non-zero: a chunk waits
  std::atomic<int32_t> callStatus;  // 1: the last chunk was taken into Java's arrays; 0: refused
  std::atomic<int32_t> javaResult;  // what Java's "writePSData" returned for the last chunk
  std::atomic<int32_t> headerPending;
  std::atomic<int32_t> holders;  // sides that still hold the slot: intake, worker
  std::atomic<int32_t> outOfJava;  // set by the worker once it has left Java for good (detached)
  std::atomic<uint32_t> inCall;    // 1 while the worker is in Java with the arrays of a chunk it took
  std::atomic<int32_t> binding;    // a RelayBinding: whether the worker has bound to Java
  char bindFailure[160];           // why not (LastBridgeFailure), once binding is kBindFailed
};
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "WaitOnAddress needs plain 32-bit words");

constexpr uint32_t kHeaderLength = 2048;

// A worker's thread is started ahead of its job, while the intake waits for
// it: a thread's start costs more than a whole job of the protocol (under
// Wine, several round trips to the wineserver and every library's
// thread-attach).  It touches nothing of Java until its job has begun, and
// a worker whose job never comes leaves as it came.
enum RelayJobCall : int32_t {
  kJobAwaited = 0,     // the worker waits, not yet bound to Java
  kJobBegun = 1,       // its job has begun: it binds to Java and takes the chunks
  kJobCancelled = -1,  // no job comes (the relay ends): it leaves untouched
};

// Whether the worker has bound to Java.  Nothing of a job whose worker could
// not bind reaches Java, and such a job is never reported done.
enum RelayBinding : int32_t {
  kBindPending = 0,  // not yet known: the worker has not been called, or still binds
  kBound = 1,
  kBindFailed = -1,  // no bridge to Java; bindFailure says why
};

// The slot's life (relay_slot.cpp).
// Every field of the slot to zero: the state before the first job.
void ClearRelaySlot(RelaySlot* slot);

// A cleared slot on the heap, held by the intake alone; null when out of
// memory.
RelaySlot* NewRelaySlot();
// One side lets go of the slot; the last one frees it.  The caller must not
// touch the slot afterwards.
void ReleaseRelaySlot(RelaySlot* slot);

// Prepares the slot and starts a worker thread on it; the worker then holds
// the slot too, and waits until CallRelayWorker gives it its job.  When the
// thread cannot be created the slot is left with its running flag at 0, so
// the job's chunks are acknowledged and dropped instead of waited for.
void StartRelayWorker(RelaySlot* slot);
// Test and diagnostic switch: with this environment variable set to a list
// of numbers ("2" or "2,3"), those worker thread starts of the process,
// counted from its first, fail as when CreateThread fails.
#define WORKER_THREAD_FAULT_SWITCH "JVMHOST_FAIL_WORKER_THREAD"
// Tells the slot's worker that its job has begun (kJobBegun) or will never
// come (kJobCancelled).
void CallRelayWorker(RelaySlot* slot, RelayJobCall call);

// Publishes one chunk to the worker; returns once the worker has taken it
// into Java's arrays (Java may still be working on them) or has stopped (its
// running flag is 0 or its thread has ended).  An
// empty chunk returns at once without waking the worker: there is nothing to
// take.
void HandOffChunk(RelaySlot* slot, const unsigned char* data, uint32_t length);

// Returns once the worker is back from Java with the job's last chunk (or
// has stopped): the end marker is answered only then, so the end of a job
// towards the producer means every byte has been through Java's calls.
void AwaitLastChunkPassed(RelaySlot* slot);

// Whether the job's worker stopped without binding to Java (no bridge could
// be made, or its thread ended first); while it still binds, waits until it
// knows.  Intake side.
bool WorkerNeverBound(RelaySlot* slot);

// Thread routine of a job's worker.  Exit code 0 after a job that ran to its
// end, 1 without a slot, when its job was cancelled, or when no bridge to
// Java could be made (the slot's binding says so, and its running flag is
// then cleared, so the intake answers the job's chunks and fails the job).
// Its last act is to let go of the slot.
DWORD WINAPI RelayWorkerMain(LPVOID slot);

// The worker bound: how long the intake waits for the previous job's worker
// (still in "writeEnd", say) before the next job goes ahead on a worker and
// a slot of its own, and how long the relay's end waits for its workers.
constexpr DWORD kWorkerBoundMs = 10000;
// While it waits for a job or for a job's next chunk, the relay looks this
// often whether its producer can still signal it.
constexpr DWORD kProducerCheckMs = 1000;

// Runs the relay on the control mapping, its producer being the process that
// started this one (see RunPrintRelayFor).
bool RunPrintRelay(uintptr_t controlMapping);
// Runs the relay on the control mapping; false when no view of it could be
// mapped (nothing was started then).  producerProcess: the producer's
// process, opened for SYNCHRONIZE, or null when unknown.  Returns true when
// the relay ended: the job event is 0 or all ones, a wait on it failed, the
// Control block could not be read again, or, while no job and no worker ran,
// the producer was gone (ProducerMayStillSignal; a job under way when that
// happens is ended first).  No worker outlives the return unless it was
// still in Java past the worker bound; the process's end ends it.
bool RunPrintRelayFor(uintptr_t controlMapping, HANDLE producerProcess);

// ---------------------------------------------------------------------------
// The intake's workers (worker_roster.cpp).  Intake side only.
struct WorkerRoster {
  RelaySlot* current;             // the latest job's slot, held until the next job; or null
  RelaySlot* spare;               // a worker started ahead for the next job, not yet called; or null
  std::vector<HANDLE> lingering;  // threads of workers let go before their end (out of Java and
                                  // ending, or past the bound); each frees its own slot
};
// Lets go of the current job's worker: waits at most boundMs until it has
// left Java (its thread may still be ending then); a worker still in Java
// then is left to finish whenever it can.
void RetireCurrentWorker(WorkerRoster* roster, DWORD boundMs);
// Starts the next job's worker ahead, as the roster's spare, unless there is
// one already.  Its thread waits and is no worker of Java's until called.
void PrepareSpareWorker(WorkerRoster* roster);
// The job that begins gets the spare worker, or a new one when there is
// none or the spare's thread was not made, called to its job as the
// roster's current one; null (and traced) when no worker could be had.
RelaySlot* StartNextWorker(WorkerRoster* roster);
// Closes the thread handles of lingering workers that have ended.
void ForgetEndedWorkers(WorkerRoster* roster);
// Whether any worker, current or lingering, still runs.  Forgets the
// lingering ones that have ended.
bool AnyWorkerRunning(WorkerRoster* roster);
// At the relay's end: the spare is cancelled, every worker gets at most
// boundMs in all; the thread handles are closed and the roster left empty.
void RetireAllWorkers(WorkerRoster* roster, DWORD boundMs);

// ---------------------------------------------------------------------------
// What ntdll tells of a handle, looked up at run time (kernel_queries.cpp).
// False when the function, the access or the object kind does not allow it.
bool QueryHandleCount(HANDLE handle, unsigned long* count);
// The section's size as the system keeps it (Windows: the size it was
// created with; Wine rounds it up to whole pages).
bool QuerySectionSize(HANDLE section, uint64_t* size);
// Whether the event is signalled, read without taking the signal.
bool QueryEventSignalled(HANDLE event, bool* signalled);
// The id of the process that created this one, as the system recorded it
// then; the id may name another process by now.
bool QueryStarterProcessId(DWORD* processId);

// ---------------------------------------------------------------------------
// The producer as the relay watches it (producer_presence.cpp).
struct ProducerWatch {
  HANDLE process;  // the producer's process (SYNCHRONIZE), or null when unknown
  HANDLE jobEvent;
  HANDLE controlMapping;
};
// The process that started this one, opened for SYNCHRONIZE; null when it
// cannot be known: no id recorded, the process already gone, or its id now
// naming a process younger than this one.
HANDLE OpenStarterProcess();
// False once the producer is gone: its process (when known) has ended, and
// neither the job event nor the control mapping has a handle besides the
// relay's own.  True when the counts cannot be had: the relay never ends on
// a guess.
bool ProducerMayStillSignal(const ProducerWatch& producer);
// Keeps a handle the relay holds from its producer out of every process this
// one starts (the Java application's included): an inherited copy would
// count as the producer's.
void KeepFromChildren(HANDLE handle);

// ---------------------------------------------------------------------------
// The end of a job, on the job event (end_signal.cpp).  The relay signals
// the job event when it has taken a job's end marker; that signal is the
// producer's to take.
enum class EndSignal {
  kTaken,          // the producer took it; the next job's signal is yet to come
  kNextJobBegun,   // the producer began its next job: its first chunk-ready
                   // has been taken, and the job event with it; that job
                   // begins now, at that chunk
  kProducerGone,   // the producer went: the signal was taken back
  kUnreadable,     // the event's state or the Control block cannot be read:
                   // after a pause of 50 ms (which producers of old rely on)
                   // a pending signal counts as the next job's
};
// Waits until the producer has taken the job event's signal, reading its
// state without taking it, or has begun its next job: while the signal is
// pending the relay waits on the chunk-ready event the Control block names,
// looking again at the job event every 1 ms at first, every 10 ms after
// 100 ms and every 50 ms after a second.  Bounded by the producer's
// presence, looked at every kProducerCheckMs as while idle: a signal left by
// a producer that went away is never taken for a job nobody sent.
// After a few seconds the looks come once every kProducerCheckMs.  At each
// look at the producer the roster (may be null) forgets its ended workers,
// as while idle.
EndSignal AwaitEndSignalTaken(const ProducerWatch& producer, WorkerRoster* roster);

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
// Worker side: tells the intake it has left Java for good (`outOfJava`).
void ReportOutOfJava(RelaySlot* slot);
// Intake side: sleeps while `outOfJava` is still 0, at most timeoutMs; false
// when the time ran out.
bool AwaitOutOfJava(RelaySlot* slot, DWORD timeoutMs);
// Worker side: back from Java with a chunk it took (`inCall` to 0).
void ReportCallReturned(RelaySlot* slot);
// Intake side: sleeps while `inCall` is still 1, at most timeoutMs; false
// when the time ran out.
bool AwaitCallReturn(RelaySlot* slot, DWORD timeoutMs);
// Worker side: whether it bound to Java (`binding`), stored before anything
// else the intake may look at (the running flag above all).
void ReportBinding(RelaySlot* slot, RelayBinding binding);
// Intake side: sleeps while `binding` is still kBindPending, at most
// timeoutMs; false when the time ran out.
bool AwaitBinding(RelaySlot* slot, DWORD timeoutMs);

// ---------------------------------------------------------------------------
// The rules on one chunk, apart from any Win32 call (chunk_rules.cpp).
enum class ChunkKind {
  kData,       // length bytes of data follow
  kEndMarker,  // the job is over
  kMalformed,  // below -1, or more bytes than the view holds: acknowledged and skipped
};
// viewSize: bytes readable from the start of the Chunk block.
ChunkKind JudgeChunkLength(int32_t length, size_t viewSize);
// Bytes of the Chunk block that may be read: the committed bytes of the
// view, cut to the section's size when that is known (non-zero), since the
// view's last page reaches past what the producer made.
size_t ReadableChunkBytes(size_t committedViewBytes, uint64_t sectionSize);

// Bytes of a chunk that go to "writeHeader": kHeaderLength when the job's
// first non-empty chunk holds at least that many, else 0.
uint32_t HeaderBytesOf(uint32_t chunkLength, bool headerPending);
