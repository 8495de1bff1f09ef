#include "host/trace.h"

#include <windows.h>

#include <cstdio>

#include "host/trace/trace_file.h"

void TraceFailureDetail(const char* what, const char* detail, long long code) {
  char line[1024];
  if (detail != nullptr) {
    snprintf(line, sizeof line, TRACE_PREFIX "%s: %s (error %lld)\n", what, detail, code);
  } else {
    snprintf(line, sizeof line, TRACE_PREFIX "%s (error %lld)\n", what, code);
  }
  OutputDebugStringA(line);
  AppendTraceLine(TraceLevel::kFailures, line);
}

void TraceFailure(const char* what, long long code) { TraceFailureDetail(what, nullptr, code); }
