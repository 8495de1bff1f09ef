// A program that writes one failure trace and exits with code 3.  Given an
// event's name, it signals the event after that trace and writes a second
// one once the trace file would be tried again.
#include "host/trace/trace.h"

int main(int argc, char** argv) {
  TraceFailure(TRACE_CHUNK_VIEW_FAILED, 5);
  if (argc > 1) {
    HANDLE firstLine = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (firstLine == nullptr || !SetEvent(firstLine)) return 4;
    CloseHandle(firstLine);
    Sleep(static_cast<DWORD>(kTraceRetryMs) + 1000);
    TraceFailure(TRACE_CHUNK_VIEW_FAILED, 6);
  }
  return 3;
}
