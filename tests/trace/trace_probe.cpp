// A program that writes one failure trace and exits with code 3.
#include "host/trace/trace.h"

int main() {
  TraceFailure(TRACE_CHUNK_VIEW_FAILED, 5);
  return 3;
}
