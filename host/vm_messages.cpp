// What the Java virtual machine says on its own.  HotSpot prints its start-up
// errors ("Unrecognized VM option ...", "Could not reserve enough space ...")
// to standard error, which a GUI process does not have; through the
// "vfprintf" hook they come here instead.  During a creation they are
// collected, and shown and traced only if the creation fails (a Java 8 to 16
// runtime warns about options it ignores on every clean start).  Afterwards
// each line is traced as it completes.
//
// The hooks run on whatever thread the VM prints from, at any time for the
// life of the process: fixed buffers, one slim lock, no allocation.
#include <cstring>
#include <string_view>

#include "host/bounded_text.h"
#include "host/host.h"
#include "host/trace.h"

namespace {

constexpr size_t kPieceCapacity = 1024;

SRWLOCK gLock = SRWLOCK_INIT;
bool gCollecting = false;
char gCollected[kVmMessageCapacity];
size_t gCollectedLength = 0;
char gLine[kPieceCapacity];
size_t gLineLength = 0;
LONG gAborting = 0;
VmEndNotice gEndNotice = nullptr;

thread_local char tStartupMessage[kVmMessageCapacity];

// Appends what fits; a message cut short is better than none.
void AppendBounded(char* buffer, size_t capacity, size_t* length, const char* text, size_t size) {
  size_t room = capacity - 1 - *length;
  size_t take = size < room ? size : room;
  memcpy(buffer + *length, text, take);
  *length += take;
  buffer[*length] = '\0';
}

// The trace is one line: the VM's line breaks become " / ".
void TraceVmText(const char* what, const char* text, long long code) {
  char line[kVmMessageCapacity];
  size_t length = 0;
  line[0] = '\0';
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at == '\r') continue;
    if (*at == '\n') {
      if (at[1] != '\0') AppendBounded(line, sizeof line, &length, " / ", 3);
    } else {
      AppendBounded(line, sizeof line, &length, at, 1);
    }
  }
  TraceFailureDetail(what, line, code);
}

// What the VM said against the start-up: its lines without its warnings
// (HotSpot writes "<VM name> warning: ..."), which a Java 8 to 16 runtime
// gives on every start for the options it ignores and which would point the
// user to the wrong cause.  No trailing line break.
void CopyErrorLines(char* destination, size_t capacity, const char* text, size_t length) {
  size_t written = 0;
  destination[0] = '\0';
  for (size_t start = 0; start < length;) {
    const char* lineEnd = static_cast<const char*>(memchr(text + start, '\n', length - start));
    size_t end = lineEnd != nullptr ? static_cast<size_t>(lineEnd - text) : length;
    std::string_view line(text + start, end - start);
    if (!line.empty() && line.find(" VM warning: ") == std::string_view::npos) {
      if (written > 0) AppendBounded(destination, capacity, &written, "\n", 1);
      AppendBounded(destination, capacity, &written, line.data(), line.size());
    }
    start = end + 1;
  }
}

}  // namespace

jint JNICALL VmVfprintfHook(FILE*, const char* format, va_list args) {
  char piece[kPieceCapacity];
  int written = vsnprintf(piece, sizeof piece, format, args);
  if (written < 0) return written;
  size_t size = static_cast<size_t>(written) < sizeof piece ? static_cast<size_t>(written) : sizeof piece - 1;
  AcquireSRWLockExclusive(&gLock);
  if (gCollecting) {
    AppendBounded(gCollected, sizeof gCollected, &gCollectedLength, piece, size);
  } else {
    for (size_t i = 0; i < size; ++i) {
      if (piece[i] != '\n') AppendBounded(gLine, sizeof gLine, &gLineLength, piece + i, 1);
      if (piece[i] == '\n' || gLineLength == sizeof gLine - 1) {
        if (gLineLength > 0) TraceVmText(TRACE_VM_SAID, gLine, 0);
        gLineLength = 0;
        gLine[0] = '\0';
      }
    }
  }
  ReleaseSRWLockExclusive(&gLock);
  return written;
}

void JNICALL VmAbortHook() {
  // HotSpot gives the hook its turn twice on the way out (shutdown, abort).
  if (InterlockedExchange(&gAborting, 1) != 0) return;
  char said[kVmMessageCapacity];
  AcquireSRWLockExclusive(&gLock);
  bool duringStartup = gCollecting;
  if (duringStartup) {
    CopyErrorLines(said, sizeof said, gCollected, gCollectedLength);
  } else {
    CopyErrorLines(said, sizeof said, gLine, gLineLength);
  }
  VmEndNotice notice = gEndNotice;
  ReleaseSRWLockExclusive(&gLock);
  TraceVmText(TRACE_VM_ENDS_PROCESS, said, 0);
  if (duringStartup && notice != nullptr) notice(said);
}

void BeginVmStartupMessages() {
  tStartupMessage[0] = '\0';
  AcquireSRWLockExclusive(&gLock);
  gCollecting = true;
  gCollectedLength = 0;
  gCollected[0] = '\0';
  ReleaseSRWLockExclusive(&gLock);
}

void EndVmStartupMessages(bool failed, long long result) {
  char said[kVmMessageCapacity];
  AcquireSRWLockExclusive(&gLock);
  gCollecting = false;
  memcpy(said, gCollected, gCollectedLength + 1);
  ReleaseSRWLockExclusive(&gLock);
  if (!failed) return;
  CopyErrorLines(tStartupMessage, sizeof tStartupMessage, said, strlen(said));
  if (said[0] != '\0') TraceVmText(TRACE_VM_SAID, said, result);
}

void ClearVmStartupMessage() { tStartupMessage[0] = '\0'; }

const char* LastVmStartupMessage() { return tStartupMessage; }

void SetVmEndNotice(VmEndNotice notice) {
  AcquireSRWLockExclusive(&gLock);
  gEndNotice = notice;
  ReleaseSRWLockExclusive(&gLock);
}
