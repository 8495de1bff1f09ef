// What the Java virtual machine says on its own.  HotSpot prints its start-up
// errors ("Unrecognized VM option ...", "Could not reserve enough space ...")
// to standard error, which a GUI process does not have; through the
// "vfprintf" hook they come here instead.  During a creation they are
// collected, and shown and traced only if the creation fails (a Java 8 to 16
// runtime warns about options it ignores on every clean start).  Afterwards
// each line is traced as it completes.
//
// HotSpot's warnings reach the hook only as their prefix: one call of its
// own, format "%s warning: " with the VM's name, no text and no line break;
// the warning's text goes to standard error past the hook (Java 8 to 25, the
// same warning() code).  The prefix is a message of its own, never the start
// of the next one.
//
// The hooks run on whatever thread the VM prints from, at any time for the
// life of the process: fixed buffers, one slim lock, no allocation.  Nothing
// is traced while the lock is held: a debugger reading the trace holds the
// thread as long as it likes.  HotSpot's error handler prints and aborts on
// the thread that failed, which may be inside a hook with the lock held: a
// hook entered again on that thread goes on without the lock.
#include <cstring>
#include <string_view>

#include "host/text/bounded_text.h"
#include "host/host.h"
#include "host/trace/trace.h"

namespace {

constexpr size_t kPieceCapacity = 1024;
const char kWarningPrefixFormat[] = "%s warning: ";
// In "<VM name> warning: ..." lines and in the bare prefix alike.
const char kWarningMark[] = " VM warning:";
// How long the abort hook waits for a lock another thread holds: that holder
// may be parked for good in HotSpot's error handling.
constexpr ULONGLONG kAbortLockWaitMs = 200;

SRWLOCK gLock = SRWLOCK_INIT;
volatile LONG gLockOwner = 0;  // thread id of the holder, 0 when free
bool gCollecting = false;
char gCollected[kVmMessageCapacity];
size_t gCollectedLength = 0;
int gCollectedWarnings = 0;
char gLine[kPieceCapacity];
size_t gLineLength = 0;
LONG gAborting = 0;
VmEndNotice gEndNotice = nullptr;

thread_local char tStartupMessage[kVmMessageCapacity];

bool HeldByThisThread() {
  return static_cast<DWORD>(InterlockedCompareExchange(&gLockOwner, 0, 0)) == GetCurrentThreadId();
}

void NoteOwner() { InterlockedExchange(&gLockOwner, static_cast<LONG>(GetCurrentThreadId())); }

// False, without waiting, on the thread that holds the lock already.
bool TakeLock() {
  if (HeldByThisThread()) return false;
  AcquireSRWLockExclusive(&gLock);
  NoteOwner();
  return true;
}

bool TakeLockWithin(ULONGLONG milliseconds) {
  if (HeldByThisThread()) return false;
  ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!TryAcquireSRWLockExclusive(&gLock)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(1);
  }
  NoteOwner();
  return true;
}

void DropLock(bool taken) {
  if (!taken) return;
  InterlockedExchange(&gLockOwner, 0);
  ReleaseSRWLockExclusive(&gLock);
}

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

// Each line of a text of lines, traced on its own.
void TraceVmLines(const char* lines, size_t length) {
  for (size_t start = 0; start < length;) {
    const char* lineEnd = static_cast<const char*>(memchr(lines + start, '\n', length - start));
    size_t end = lineEnd != nullptr ? static_cast<size_t>(lineEnd - lines) : length;
    char line[kPieceCapacity];
    size_t lineLength = 0;
    line[0] = '\0';
    AppendBounded(line, sizeof line, &lineLength, lines + start, end - start);
    if (lineLength > 0) TraceVmText(TRACE_VM_SAID, line, 0);
    start = end + 1;
  }
}

// What the VM said against the start-up: its lines without its warnings,
// which a Java 8 to 16 runtime gives on every start for the options it
// ignores and which would point the user to the wrong cause.  No trailing
// line break.
void CopyErrorLines(char* destination, size_t capacity, const char* text, size_t length) {
  size_t written = 0;
  destination[0] = '\0';
  for (size_t start = 0; start < length;) {
    const char* lineEnd = static_cast<const char*>(memchr(text + start, '\n', length - start));
    size_t end = lineEnd != nullptr ? static_cast<size_t>(lineEnd - text) : length;
    std::string_view line(text + start, end - start);
    if (!line.empty() && line.find(kWarningMark) == std::string_view::npos) {
      if (written > 0) AppendBounded(destination, capacity, &written, "\n", 1);
      AppendBounded(destination, capacity, &written, line.data(), line.size());
    }
    start = end + 1;
  }
}

// Under the lock: takes one piece the VM printed.  Lines it completes outside
// a creation go to `completed`, one per line, to be traced after the lock.
// A warning prefix during a creation is only counted: its text never comes,
// and however many there are they leave the room to the error they precede.
void TakePiece(const char* piece, size_t size, bool warningPrefix, char* completed, size_t capacity,
               size_t* completedLength) {
  if (gCollecting) {
    if (warningPrefix) {
      ++gCollectedWarnings;
      if (gCollectedLength > 0 && gCollected[gCollectedLength - 1] != '\n') {
        AppendBounded(gCollected, sizeof gCollected, &gCollectedLength, "\n", 1);
      }
    } else {
      AppendBounded(gCollected, sizeof gCollected, &gCollectedLength, piece, size);
    }
    return;
  }
  if (warningPrefix && gLineLength > 0) {
    AppendBounded(completed, capacity, completedLength, gLine, gLineLength);
    AppendBounded(completed, capacity, completedLength, "\n", 1);
    gLineLength = 0;
    gLine[0] = '\0';
  }
  for (size_t i = 0; i < size; ++i) {
    if (piece[i] != '\n') AppendBounded(gLine, sizeof gLine, &gLineLength, piece + i, 1);
    bool lineEnds = piece[i] == '\n' || gLineLength == sizeof gLine - 1 || (warningPrefix && i + 1 == size);
    if (lineEnds) {
      AppendBounded(completed, capacity, completedLength, gLine, gLineLength);
      AppendBounded(completed, capacity, completedLength, "\n", 1);
      gLineLength = 0;
      gLine[0] = '\0';
    }
  }
}

}  // namespace

jint JNICALL VmVfprintfHook(FILE*, const char* format, va_list args) {
  char piece[kPieceCapacity];
  int written = vsnprintf(piece, sizeof piece, format, args);
  if (written < 0) return written;
  size_t size = static_cast<size_t>(written) < sizeof piece ? static_cast<size_t>(written) : sizeof piece - 1;
  bool warningPrefix = format != nullptr && strcmp(format, kWarningPrefixFormat) == 0;
  if (warningPrefix) {
    while (size > 0 && piece[size - 1] == ' ') --size;
    piece[size] = '\0';
  }
  bool taken = TakeLock();
  if (!taken) {
    // Entered again from inside the lock on this thread: the shared lines
    // may be half-written, so this piece is traced alone.
    TraceVmLines(piece, size);
    return written;
  }
  char completed[2 * kPieceCapacity + 2];
  size_t completedLength = 0;
  completed[0] = '\0';
  TakePiece(piece, size, warningPrefix, completed, sizeof completed, &completedLength);
  DropLock(taken);
  TraceVmLines(completed, completedLength);
  return written;
}

void JNICALL VmAbortHook() {
  // HotSpot may give the hook its turn more than once on the way out.
  if (InterlockedExchange(&gAborting, 1) != 0) return;
  char said[kVmMessageCapacity];
  // Without the lock the buffers are read as they stand: they are always
  // terminated within their bounds, and the process is ending.
  bool taken = TakeLockWithin(kAbortLockWaitMs);
  bool duringStartup = gCollecting;
  if (duringStartup) {
    CopyErrorLines(said, sizeof said, gCollected, gCollectedLength);
  } else {
    CopyErrorLines(said, sizeof said, gLine, gLineLength);
  }
  VmEndNotice notice = gEndNotice;
  DropLock(taken);
  TraceVmText(TRACE_VM_ENDS_PROCESS, said, 0);
  if (duringStartup && notice != nullptr) notice(said);
}

void BeginVmStartupMessages() {
  tStartupMessage[0] = '\0';
  bool taken = TakeLock();
  gCollecting = true;
  gCollectedLength = 0;
  gCollected[0] = '\0';
  gCollectedWarnings = 0;
  DropLock(taken);
}

void EndVmStartupMessages(bool failed, long long result) {
  char said[kVmMessageCapacity];
  bool taken = TakeLock();
  gCollecting = false;
  memcpy(said, gCollected, gCollectedLength + 1);
  int warnings = gCollectedWarnings;
  DropLock(taken);
  if (!failed) return;
  CopyErrorLines(tStartupMessage, sizeof tStartupMessage, said, strlen(said));
  if (said[0] == '\0' && warnings == 0) return;
  // The warnings' own texts went to standard error; the trace says they came.
  char traced[kVmMessageCapacity];
  if (warnings > 0) {
    snprintf(traced, sizeof traced, "[%d VM warning%s, text on standard error]\n%s", warnings,
             warnings == 1 ? "" : "s", said);
  } else {
    memcpy(traced, said, strlen(said) + 1);
  }
  TraceVmText(TRACE_VM_SAID, traced, result);
}

void ClearVmStartupMessage() { tStartupMessage[0] = '\0'; }

const char* LastVmStartupMessage() { return tStartupMessage; }

void SetVmEndNotice(VmEndNotice notice) {
  bool taken = TakeLock();
  gEndNotice = notice;
  DropLock(taken);
}
