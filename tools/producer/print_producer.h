// The producing end of the print-job protocol, as the port monitor plays it:
// the control mapping, the chunk mapping and the three events, and one job
// fed through them chunk by chunk.  Used by producer.exe, the benchmark and
// the relay tests.
//
// The producer's contract (the relay leaves it open):
//   - all three events are auto-reset and created not signalled;
//   - the Control block is written once, when the channel opens, and stays;
//   - a job: the producer signals the job event; for each chunk it fills the
//     Chunk block, signals chunk-ready and waits for chunk-consumed; then the
//     end marker the same way; then it waits on the job event itself.  That
//     wait takes the relay's end-of-job signal (the relay waits until it has
//     been taken before it waits on the event again).  Port monitors that
//     differ are played too: one that takes that signal late, or never (it
//     just begins the next job), and one that keeps no handle between jobs
//     and opens the objects by name for each.
//   - every wait is bounded, and also ends when the relay (a process, or a
//     thread in the producer's process) ends first.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ProducerChannel {
  HANDLE controlMapping;
  HANDLE chunkMapping;
  HANDLE jobEvent;
  HANDLE chunkConsumedEvent;
  HANDLE chunkReadyEvent;
  unsigned char* chunkBlock;  // the producer's view of the chunk mapping
  size_t chunkCapacity;       // data bytes one chunk can hold
  HANDLE relay;               // the relay's process or thread once known, else null
  // How the producer takes the relay's end-of-job signal: 0 at once, N
  // milliseconds late, kNeverTakesEndSignal not at all.
  int endSignalLateMs;
  char name[64];  // prefix of the objects' names; empty when unnamed
};
constexpr int kNeverTakesEndSignal = -1;

// Creates both mappings and the three events and writes the Control block.
// chunkCapacity bytes of data fit after the length field.  inheritable: the
// handles pass, with the same values, to a child started with
// bInheritHandles.  False, with nothing left open, on any failure.
// name (may be null): the objects get names that begin with it, so they can
// be opened again by name (ReopenProducerChannel).
bool OpenProducerChannel(ProducerChannel* channel, size_t chunkCapacity, bool inheritable,
                         const char* name = nullptr);
void CloseProducerChannel(ProducerChannel* channel);
// A producer that keeps no handle between jobs: closes its handles and view
// (the relay keeps its own), keeping the names and the relay...
void LetGoOfProducerChannel(ProducerChannel* channel);
// ...and opens the named objects again for its next job.  The Control block
// keeps the relay's handle values.  False when an object is gone.
bool ReopenProducerChannel(ProducerChannel* channel);

enum class Delivery {
  kDone,
  kTimedOut,   // the relay did not answer in time
  kRelayGone,  // the relay's process or thread ended
  kFailed,     // a wait or a signal failed, or the chunk does not fit
};
const char* DeliveryText(Delivery delivery);

// Signals the job event: a job begins.
Delivery BeginJob(ProducerChannel* channel);
// One chunk of data: fill, chunk-ready, wait for chunk-consumed.
Delivery SendChunk(ProducerChannel* channel, const void* data, uint32_t length, DWORD timeoutMs);
// A Chunk block of only a length field (no data written): the end marker or
// a length the relay must refuse.
Delivery SendLengthOnly(ProducerChannel* channel, int32_t length, DWORD timeoutMs);
// The end marker, its acknowledgement, then the relay's end-of-job signal,
// taken as the channel's endSignalLateMs says.
Delivery EndJob(ProducerChannel* channel, DWORD timeoutMs);

struct JobPlan {
  uint32_t chunkSize = 65536;  // 1 .. chunkCapacity
  int zeroChunksFirst = 0;     // zero-length chunks before the data
  bool sendBadLength = false;  // after the first data chunk, one chunk of badLength
  int32_t badLength = 0;
  // Called after each acknowledged data chunk with the job's bytes so far.
  void (*onProgress)(void* context, uint64_t jobBytesSent) = nullptr;
  void* progressContext = nullptr;
};

struct JobTally {
  uint64_t chunks = 0;  // chunks acknowledged, end marker not counted
  uint64_t bytes = 0;   // data bytes acknowledged
};

// A whole job: begin, the bytes in chunks as planned, the end.  Stops at the
// first delivery that is not kDone and returns it.
Delivery FeedJob(ProducerChannel* channel, const unsigned char* bytes, size_t size, const JobPlan& plan,
                 DWORD timeoutMs, JobTally* tally);

// Faults a misbehaving port monitor may commit (broken_jobs.cpp).
//
// What the Control block names as the chunk mapping of a broken job: a
// handle the relay cannot map, or one it maps but cannot read.
enum class BrokenMapping {
  kZero,
  kAllOnes,      // INVALID_HANDLE_VALUE, the current process to the system
  kUnused,       // a value no handle table holds
  kEvent,        // a handle of another kind
  kReadOnly,     // a mapping that refuses a view with write access
  kUncommitted,  // a SEC_RESERVE mapping: its view maps, its pages fault
};
// "zero", "all-ones", "unused", "event", "read-only", "uncommitted".
bool ParseBrokenMapping(const char* name, BrokenMapping* kind);
const char* BrokenMappingName(BrokenMapping kind);

// A job whose chunk mapping the relay cannot use: the Control block names the
// broken one while the job begins and its first chunk (`length` bytes of the
// producer's own block) is sent.  The relay is to acknowledge that chunk and
// end the job; the Control block is restored after, whatever the delivery.
// A broken handle is made valid in the relay's process (duplicated into it
// when the relay is another process) and closed there again after.
Delivery FeedBrokenJob(ProducerChannel* channel, BrokenMapping kind, uint32_t length, DWORD timeoutMs);
