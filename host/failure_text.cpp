// Start-up failure texts.  Each is composed in full and kept for the thread
// that ran the start-up, so the caller on that thread can show it.
#include <cstring>

#include "host/bounded_text.h"
#include "host/host.h"
#include "host/startup_failure.h"
#include "host/texts.h"
#include "host/trace.h"

namespace {

thread_local char tFailureText[kFailureTextCapacity];
thread_local StartupMiss tMiss = StartupMiss::kNone;

}  // namespace

char* StartupFailureBuffer() { return tFailureText; }

void ClearStartupFailureText() {
  tFailureText[0] = '\0';
  tMiss = StartupMiss::kNone;
}

const char* LastStartupFailureText() { return tFailureText; }

void NoteStartupMiss(StartupMiss miss) { tMiss = miss; }

StartupMiss LastStartupMiss() { return tMiss; }

const char* ComposeFailureText(const char* format, const char* argument, int errorCode) {
  char* systemText = nullptr;
  if (errorCode != 0) {
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<char*>(&systemText), 0, nullptr);
  }
  // Texts that would not fit are cut at the buffer's end, never written past it.
  if (systemText != nullptr) {
    char extended[kFailureTextCapacity];
    int length = 0;
    extended[0] = '\0';
    if (AppendInto(extended, sizeof extended, &length, format) &&
        AppendInto(extended, sizeof extended, &length, TEXT_ERROR_TAIL)) {
      FormatInto(tFailureText, kFailureTextCapacity, extended, argument, errorCode, systemText);
    } else {
      FormatInto(tFailureText, kFailureTextCapacity, format, argument);
    }
    LocalFree(systemText);
  } else {
    FormatInto(tFailureText, kFailureTextCapacity, format, argument);
  }
  TraceFailureDetail(TRACE_STARTUP_FAILED, tFailureText, static_cast<DWORD>(errorCode));
  return tFailureText;
}
