// The trace file is opened at the process's first line and kept: a job's
// line then costs one size query and one write.  Every write is one whole
// line on a handle opened for appending only, so lines of several jvmhost
// processes (launcher and relays of one account) interleave but never mix.
#include <cwchar>

#include "host/trace/trace_file.h"
#include "host/trace/trace_folder.h"

namespace {

struct TraceFileState {
  SRWLOCK lock = SRWLOCK_INIT;
  // When a file that could not be had, or a full one that could not be
  // turned, is tried again (GetTickCount64): a relay runs for days, and a
  // viewer or a missing folder is often only passing.
  ULONGLONG nextOpen = 0;
  ULONGLONG nextTurn = 0;
  OwnedHandle file;
};

TraceFileState gTrace;

bool IsPlainFileOfOurOwn(HANDLE file, const TraceFolder& folder, const wchar_t* name) {
  BY_HANDLE_FILE_INFORMATION info;
  // A hard link is a second name of a file that may be anyone's; a reparse
  // point opened as itself, or a link Wine followed, is named otherwise.
  return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
         (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) ==
             0 &&
         info.nNumberOfLinks == 1 && OwnedBy(file, const_cast<unsigned char*>(folder.user)) &&
         NamedAsChild(file, folder.finalPath, name, folder.volumeName);
}

// Opens (or makes) name in the account's folder for appending, as itself:
// a link or reparse point planted in its place is neither written through
// nor followed.
HANDLE OpenPlainFile(const TraceFolder& folder, const wchar_t* name) {
  wchar_t path[kTracePathCapacity];
  wchar_t ownerText[256];
  if (swprintf(path, kTracePathCapacity, L"%ls\\%ls", folder.path, name) < 0 ||
      swprintf(ownerText, 256, L"O:%ls", folder.userText) < 0) {
    return INVALID_HANDLE_VALUE;
  }
  SecurityDescriptorText owner(ownerText);
  OwnedHandle file(CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, owner.attributes(), OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid() || !IsPlainFileOfOurOwn(file.get(), folder, name)) return INVALID_HANDLE_VALUE;
  return file.Release();
}

bool SameFile(HANDLE one, HANDLE other) {
  BY_HANDLE_FILE_INFORMATION a, b;
  return GetFileInformationByHandle(one, &a) && GetFileInformationByHandle(other, &b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The current file turns older: the older one goes first.  Another jvmhost
// may still hold it, and Windows replaces no file that is open, but it
// renames and deletes one that was opened sharing deletion (it goes once
// the last holder closes it).  By name: the held handle has no DELETE
// access, which would keep support's viewers (most open sharing reading and
// writing only) from the file.  The folder is the account's alone, so its
// names can be trusted to its own processes.
bool MoveCurrentAside(const TraceFolder& folder) {
  wchar_t current[kTracePathCapacity];
  wchar_t older[kTracePathCapacity];
  wchar_t gone[kTracePathCapacity];
  wchar_t kept[kTracePathCapacity];
  unsigned long process = GetCurrentProcessId();
  unsigned long long tick = GetTickCount64();
  if (swprintf(current, kTracePathCapacity, L"%ls\\%ls", folder.path, kTraceFileName) < 0 ||
      swprintf(older, kTracePathCapacity, L"%ls\\%ls", folder.path, kOlderTraceFileName) < 0 ||
      swprintf(gone, kTracePathCapacity, L"%ls\\jvmhost.%lu.%llu.gone", folder.path, process, tick) < 0 ||
      swprintf(kept, kTracePathCapacity, L"%ls\\jvmhost.%lu.%llu.log", folder.path, process, tick) < 0) {
    return false;
  }
  // No older file yet is no failure; a failed move shows in the next one.
  if (MoveFileExW(older, gone, 0)) DeleteFileW(gone);
  if (MoveFileExW(current, older, 0)) return true;
  // A viewer holds the older file without sharing deletion: the full one
  // keeps its lines under a name of its own, and the current name is free.
  return MoveFileExW(current, kept, 0) != FALSE;
}

// The account's processes turn the file one at a time: two that found it
// full at once would otherwise both turn it, the second moving the first
// one's fresh file over the full one.  Per session, as the account's
// processes there are; a name another account took first, or a holder that
// never lets go, leaves the turn unserialised rather than never made.
class TurnLock {
 public:
  explicit TurnLock(const TraceFolder& folder) {
    wchar_t name[256];
    wchar_t text[256];
    if (swprintf(name, 256, L"Local\\VelmoTrace-%ls", folder.userText) < 0 ||
        swprintf(text, 256, L"D:P(A;;GA;;;SY)(A;;GA;;;%ls)", folder.userText) < 0) {
      return;
    }
    SecurityDescriptorText descriptor(text);
    mutex_.Reset(CreateMutexW(descriptor.attributes(), FALSE, name));
    if (!mutex_.valid()) return;
    DWORD waited = WaitForSingleObject(mutex_.get(), kTurnWaitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~TurnLock() {
    if (held_) ReleaseMutex(mutex_.get());
  }
  TurnLock(const TurnLock&) = delete;
  TurnLock& operator=(const TurnLock&) = delete;

 private:
  static constexpr DWORD kTurnWaitMs = 5000;  // a turn takes milliseconds
  OwnedHandle mutex_;
  bool held_ = false;
};

// Whether a line of `length` bytes fits the held file; a full one is moved
// aside and a fresh one taken, unless another jvmhost did so already.
bool MakeRoom(TraceFileState* state, DWORD length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(state->file.get(), &size)) return false;
  if (size.QuadPart + length <= kTraceFileBound) return true;
  ULONGLONG now = GetTickCount64();
  if (now < state->nextTurn) return false;
  state->nextTurn = now + kTraceRetryMs;
  TraceFolder folder;
  if (!OpenTraceFolder(&folder)) return false;
  TurnLock turn(folder);
  OwnedHandle current(OpenPlainFile(folder, kTraceFileName));
  if (!current.valid()) return false;
  if (SameFile(current.get(), state->file.get())) {
    current.Reset(INVALID_HANDLE_VALUE);
    if (!MoveCurrentAside(folder)) return false;
    current.Reset(OpenPlainFile(folder, kTraceFileName));
    if (!current.valid()) return false;
  }
  state->file.Reset(current.Release());
  if (!GetFileSizeEx(state->file.get(), &size) || size.QuadPart + length > kTraceFileBound) return false;
  state->nextTurn = 0;
  return true;
}

}  // namespace

void AppendTraceLine(TraceLevel level, const char* text) {
  if (level == TraceLevel::kOff || TraceFileLevel() < level) return;
  SYSTEMTIME now;
  GetSystemTime(&now);
  char line[kTraceLineCapacity];
  int length = ComposeTraceLine(line, sizeof line, now, GetCurrentProcessId(), GetCurrentThreadId(), text);
  if (length == 0) return;
  AcquireSRWLockExclusive(&gTrace.lock);
  ULONGLONG tick = GetTickCount64();
  if (!gTrace.file.valid() && tick >= gTrace.nextOpen) {
    TraceFolder folder;
    if (OpenTraceFolder(&folder)) gTrace.file.Reset(OpenPlainFile(folder, kTraceFileName));
    if (!gTrace.file.valid()) gTrace.nextOpen = tick + kTraceRetryMs;
  }
  DWORD written = 0;
  // A line that cannot be written is lost: the trace never changes a result.
  if (gTrace.file.valid() && MakeRoom(&gTrace, static_cast<DWORD>(length))) {
    WriteFile(gTrace.file.get(), line, static_cast<DWORD>(length), &written, nullptr);
  }
  ReleaseSRWLockExclusive(&gTrace.lock);
}
