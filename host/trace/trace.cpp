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

// Windows reads OutputDebugStringA's text in the ANSI code page, so UTF-8
// (the folder names) would show as other characters there; the W call
// reaches a debugger that takes Unicode as it is, and any other in the ANSI
// code page, as near as that spells it.
void SayToDebugger(const char* line) {
  wchar_t wide[1024];
  if (TraceTextIsUtf8(line) && MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, sizeof wide / sizeof wide[0]) > 0) {
    OutputDebugStringW(wide);
  } else {
    OutputDebugStringA(line);
  }
}

void Say(const char* what, const char* detail, long long code) {
  SayCodePageOnce();
  char line[1024];
  if (detail != nullptr) {
    snprintf(line, sizeof line, TRACE_PREFIX "%s: %s (error %lld)\n", what, detail, code);
  } else {
    snprintf(line, sizeof line, TRACE_PREFIX "%s (error %lld)\n", what, code);
  }
  SayToDebugger(line);
  AppendTraceLine(TraceLevel::kFailures, line);
}

}  // namespace

bool TraceTextIsUtf8(const char* text) {
  bool ascii = true;
  for (const char* c = text; *c != '\0' && ascii; ++c) ascii = static_cast<unsigned char>(*c) < 0x80;
  return !ascii && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0) > 0;
}

void TraceFailureDetail(const char* what, const char* detail, long long code) { Say(what, detail, code); }

void TraceFailure(const char* what, long long code) { Say(what, nullptr, code); }

void TraceFailureFolder(const char* what, const char* ansiPath, long long code) {
  char named[1024];
  TraceFailureDetail(what, Utf8FolderName(ansiPath, named, sizeof named) ? named : ansiPath, code);
}
