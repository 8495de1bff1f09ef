#include "setup/trace.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "setup/code_pages.h"

namespace {

// Which code page the A functions spoke in decides how every name of a trace
// was read; support sees it once, before the first line it explains.
void SayCodePageOnce() {
  static bool said = false;
  if (said) return;
  said = true;
  char line[96];
  snprintf(line, sizeof line, SETUP_TRACE_PREFIX SETUP_TRACE_CODE_PAGE " %u\n", GetACP());
  OutputDebugStringA(line);
}

void TraceLine(const char* step, const std::string* utf8Detail, unsigned long errorCode) {
  SayCodePageOnce();
  char line[1024];
  if (utf8Detail != nullptr) {
    snprintf(line, sizeof line, SETUP_TRACE_PREFIX "%s failed: %s (error %lu)\n", step, utf8Detail->c_str(),
             errorCode);
  } else {
    snprintf(line, sizeof line, SETUP_TRACE_PREFIX "%s failed (error %lu)\n", step, errorCode);
  }
  OutputDebugStringA(line);
}

}  // namespace

void TraceStepFailureDetail(const char* step, const char* detail, unsigned long errorCode) {
  if (detail == nullptr) return TraceLine(step, nullptr, errorCode);
  const std::string utf8 = Utf8FromAnsi(detail);
  TraceLine(step, &utf8, errorCode);
}

void TraceStepFailureWide(const char* step, const wchar_t* detail, unsigned long errorCode) {
  const std::string utf8 = Utf8FromWide(detail);
  TraceLine(step, &utf8, errorCode);
}

void TraceStepFailure(const char* step, unsigned long errorCode) { TraceLine(step, nullptr, errorCode); }
