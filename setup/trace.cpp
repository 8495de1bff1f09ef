#include "setup/trace.h"

#include <windows.h>

#include <cstdio>

void TraceStepFailureDetail(const char* step, const char* detail, unsigned long errorCode) {
  char line[768];
  if (detail != nullptr) {
    snprintf(line, sizeof line, SETUP_TRACE_PREFIX "%s failed: %s (error %lu)\n", step, detail, errorCode);
  } else {
    snprintf(line, sizeof line, SETUP_TRACE_PREFIX "%s failed (error %lu)\n", step, errorCode);
  }
  OutputDebugStringA(line);
}

void TraceStepFailure(const char* step, unsigned long errorCode) { TraceStepFailureDetail(step, nullptr, errorCode); }
