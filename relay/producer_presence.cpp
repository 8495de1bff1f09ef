// Whether the producer is still there, asked of the handle counts: the port
// monitor holds the job event and the control mapping as long as it can use
// them, and its process's end closes them.  Counting handles, not watching a
// parent process: the process that started the relay need not be the one
// that feeds it, and only a handle can signal the job event.
#include "relay/relay.h"

bool ProducerMayStillSignal(HANDLE jobEvent, HANDLE controlMapping) {
  unsigned long jobEventHandles = 0, controlHandles = 0;
  if (!QueryHandleCount(jobEvent, &jobEventHandles) || !QueryHandleCount(controlMapping, &controlHandles)) {
    return true;
  }
  // The counts include the relay's own handle to each; a producer in this
  // very process shares the job event's handle but holds its own control
  // mapping handle, so it still counts.
  return jobEventHandles > 1 || controlHandles > 1;
}
