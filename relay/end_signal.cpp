// The end of a job on the job event, which both sides signal: the producer
// when a job begins, the relay when it has taken a job's end marker.  The
// relay must not wait on the event while its own signal is still there: it
// would take it back, begin a job nobody sent, and leave the producer's wait
// for the end of its job without an answer.  A wait cannot tell the two
// signals apart, so the relay reads the event's state without taking it
// until the producer has taken the signal, or has shown by a chunk-ready
// that it began its next job on top of it.
#include <optional>

#include "relay/mapped_view.h"
#include "relay/relay.h"

namespace {

// Past this a producer that still has not taken the signal is taken to
// leave it for good: it is looked at once every kProducerCheckMs.
constexpr ULONGLONG kSlowLooksAfterMs = 5000;

// The producer usually takes the signal within microseconds: the first
// looks come quickly, later ones less often.  A producer that begins its
// next job on top of the signal wakes the relay by its chunk-ready
// whatever the pause.
DWORD PauseAfter(ULONGLONG waitedMs) {
  if (waitedMs < 100) return 1;
  if (waitedMs < 1000) return 10;
  return waitedMs < kSlowLooksAfterMs ? 50 : kProducerCheckMs;
}

HANDLE NamedChunkReady(const MappedView& control) {
  uint64_t value =
      *reinterpret_cast<const volatile uint64_t*>(control.bytes() + offsetof(ControlBlock, chunkReadyEvent));
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

}  // namespace

EndSignal AwaitEndSignalTaken(const ProducerWatch& producer, WorkerRoster* roster) {
  ULONGLONG start = GetTickCount64(), lastLook = start;
  // Mapped once the signal is found still there: the Control block names
  // the next job's chunk-ready before the producer begins that job.
  std::optional<MappedView> control;
  for (;;) {
    bool pending = false;
    if (!QueryEventSignalled(producer.jobEvent, &pending)) {
      Sleep(50);
      return EndSignal::kUnreadable;
    }
    if (!pending) return EndSignal::kTaken;
    if (!control) control.emplace(producer.controlMapping);
    // A Control block that can no longer be read ends the relay at the next
    // job, as it would have without this look.
    if (control->committedSize() < sizeof(ControlBlock)) {
      Sleep(50);
      return EndSignal::kUnreadable;
    }
    ULONGLONG now = GetTickCount64();
    if (now - lastLook >= kProducerCheckMs) {
      lastLook = now;
      // As while idle: the thread handles of ended workers are closed.
      if (roster != nullptr) ForgetEndedWorkers(roster);
      if (!ProducerMayStillSignal(producer)) {
        // Nobody is left to take it: taken back, it cannot begin a job.
        WaitForSingleObject(producer.jobEvent, 0);
        return EndSignal::kProducerGone;
      }
    }
    // Between looks the relay waits on the chunk-ready the Control block
    // names: a producer that begins its next job, whether it took the signal
    // or not, wakes it at once with that job's first chunk.
    DWORD pause = PauseAfter(now - start);
    HANDLE chunkReady = NamedChunkReady(*control);
    DWORD wait = chunkReady != nullptr ? WaitForSingleObject(chunkReady, pause) : WAIT_FAILED;
    if (wait == WAIT_OBJECT_0) {
      // The job event goes with it: the pending signal is that job's start
      // (and the old end, when the producer left it), one job.
      WaitForSingleObject(producer.jobEvent, 0);
      return EndSignal::kNextJobBegun;
    }
    if (wait != WAIT_TIMEOUT) Sleep(pause);
  }
}
