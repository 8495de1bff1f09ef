// The trace file is opened once per process and kept: a job's line then
// costs one size query and one write.  Every write is one whole line on a
// handle opened for appending only, so lines of several jvmhost processes
// (launcher and relays of one account) interleave but never mix.
#include <cwchar>

#include "host/trace/trace_file.h"
#include "host/trace/trace_folder.h"

namespace {

struct TraceFileState {
  SRWLOCK lock = SRWLOCK_INIT;
  bool opened = false;  // tried once; a file that could not be had is not tried again
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
         NamedAsChild(file, folder.finalPath, name);
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
  if (swprintf(current, kTracePathCapacity, L"%ls\\%ls", folder.path, kTraceFileName) < 0 ||
      swprintf(older, kTracePathCapacity, L"%ls\\%ls", folder.path, kOlderTraceFileName) < 0 ||
      swprintf(gone, kTracePathCapacity, L"%ls\\jvmhost.%lu.%llu.gone", folder.path, GetCurrentProcessId(),
               static_cast<unsigned long long>(GetTickCount64())) < 0) {
    return false;
  }
  // No older file yet is no failure; a failed move shows in the next one.
  if (MoveFileExW(older, gone, 0)) DeleteFileW(gone);
  return MoveFileExW(current, older, 0) != FALSE;
}

// Whether a line of `length` bytes fits the held file; a full one is moved
// aside and a fresh one taken, unless another jvmhost did so already.
bool MakeRoom(TraceFileState* state, DWORD length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(state->file.get(), &size)) return false;
  if (size.QuadPart + length <= kTraceFileBound) return true;
  TraceFolder folder;
  if (!OpenTraceFolder(&folder)) return false;
  OwnedHandle current(OpenPlainFile(folder, kTraceFileName));
  if (!current.valid()) return false;
  if (SameFile(current.get(), state->file.get())) {
    current.Reset(INVALID_HANDLE_VALUE);
    if (!MoveCurrentAside(folder)) return false;
    current.Reset(OpenPlainFile(folder, kTraceFileName));
    if (!current.valid()) return false;
  }
  state->file.Reset(current.Release());
  return GetFileSizeEx(state->file.get(), &size) && size.QuadPart + length <= kTraceFileBound;
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
  if (!gTrace.opened) {
    gTrace.opened = true;
    TraceFolder folder;
    if (OpenTraceFolder(&folder)) gTrace.file.Reset(OpenPlainFile(folder, kTraceFileName));
  }
  DWORD written = 0;
  // A line that cannot be written is lost: the trace never changes a result.
  if (gTrace.file.valid() && MakeRoom(&gTrace, static_cast<DWORD>(length))) {
    WriteFile(gTrace.file.get(), line, static_cast<DWORD>(length), &written, nullptr);
  }
  ReleaseSRWLockExclusive(&gTrace.lock);
}
