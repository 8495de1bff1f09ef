#include "host/trace/trace.h"

#include <windows.h>

#include <cstdio>

#include "host/host.h"
#include "host/trace/trace_file.h"

namespace {

LONG gCodePageSaid = 0;

// Once per process.  On a 936 system the traces stay as they always were.
void SayCodePageOnce() {
  if (GetACP() == kGbkCodePage || InterlockedExchange(&gCodePageSaid, 1) != 0) return;
  char line[128];
  snprintf(line, sizeof line, TRACE_PREFIX TRACE_CODE_PAGE " %u (OEM %u)\n", GetACP(), GetOEMCP());
  OutputDebugStringA(line);
  AppendTraceLine(TraceLevel::kFailures, line);
}

}  // namespace

void TraceFailureDetail(const char* what, const char* detail, long long code) {
  SayCodePageOnce();
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

void TraceFailureFolder(const char* what, const char* ansiPath, long long code) {
  char named[1024];
  TraceFailureDetail(what, Utf8FolderName(ansiPath, named, sizeof named) ? named : ansiPath, code);
}
