// jvmhost's entry: the first argument chooses the mode, once.
#include "host/host.h"
#include "host/trace/trace.h"
#include "relay/relay.h"

namespace {

// The launcher, or, in session 0, a trace and the launcher's failure code.
int LaunchWhereSeen(const wchar_t* text) {
  if (ProcessSessionSeen()) {
    RunInteractive(text);
    return 0;
  }
  char named[3 * kPathCapacity];
  if (text == nullptr || !Utf8FromWide(text, named, sizeof named)) named[0] = '\0';
  TraceFailureDetail(TRACE_NO_LAUNCH_IN_SESSION_ZERO, named, 0);
  return kLaunchFailedExitCode;
}

}  // namespace

int JvmHostMain(int argc, wchar_t** argv) {
  if (argc < 2) return LaunchWhereSeen(nullptr);
  uintptr_t controlMapping = ParseHandleArgument(argv[1]);
  if (controlMapping != 0) {
    NoteServingPrintJobs(true);
    if (RunPrintRelay(controlMapping)) return 0;
    NoteServingPrintJobs(false);
  }
  // A number that names no mappable file mapping is the launcher's text.
  return LaunchWhereSeen(argv[1]);
}
