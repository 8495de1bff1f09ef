#include "host/trace.h"

#include <windows.h>

#include <cstdio>

void TraceFailureDetail(const char* what, const char* detail, unsigned long errorCode) {
  char line[1024];
  if (detail != nullptr) {
    snprintf(line, sizeof line, TRACE_PREFIX "%s: %s (error %lu)\n", what, detail, errorCode);
  } else {
    snprintf(line, sizeof line, TRACE_PREFIX "%s (error %lu)\n", what, errorCode);
  }
  OutputDebugStringA(line);
}

void TraceFailure(const char* what, unsigned long errorCode) { TraceFailureDetail(what, nullptr, errorCode); }
