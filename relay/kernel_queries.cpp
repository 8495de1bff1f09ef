// Questions to ntdll about a handle's object or this process, looked up at
// run time: none of the functions is in the import libraries of every
// toolchain, and a system without them only loses the answer, not the relay.
#include "relay/relay.h"

namespace {

// The public layouts of the two information classes asked for.
constexpr int kObjectBasicInformation = 0;
struct ObjectBasicInformation {
  ULONG attributes;
  ACCESS_MASK grantedAccess;
  ULONG handleCount;
  ULONG pointerCount;
  ULONG reserved[10];
};

constexpr int kSectionBasicInformation = 0;
struct SectionBasicInformation {
  void* baseAddress;
  ULONG attributes;
  LARGE_INTEGER size;
};

constexpr int kEventBasicInformation = 0;
struct EventBasicInformation {
  int eventType;
  LONG eventState;
};

constexpr int kProcessBasicInformation = 0;
struct ProcessBasicInformation {
  LONG exitStatus;
  void* pebBaseAddress;
  ULONG_PTR affinityMask;
  LONG basePriority;
  ULONG_PTR uniqueProcessId;
  ULONG_PTR inheritedFromUniqueProcessId;
};

using NtQueryObjectFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using NtQuerySectionFn = LONG(NTAPI*)(HANDLE, int, void*, SIZE_T, SIZE_T*);
using NtQueryEventFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using NtQueryInformationProcessFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);

// Through void(*)(): the one cast from FARPROC that does not warn.
template <typename Function>
Function NtdllFunction(const char* name) {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name)));
}

}  // namespace

bool QueryHandleCount(HANDLE handle, unsigned long* count) {
  static const NtQueryObjectFn query = NtdllFunction<NtQueryObjectFn>("NtQueryObject");
  if (query == nullptr) return false;
  ObjectBasicInformation info = {};
  ULONG returned = 0;
  if (query(handle, kObjectBasicInformation, &info, sizeof info, &returned) < 0) return false;
  *count = info.handleCount;
  return true;
}

bool QuerySectionSize(HANDLE section, uint64_t* size) {
  static const NtQuerySectionFn query = NtdllFunction<NtQuerySectionFn>("NtQuerySection");
  if (query == nullptr) return false;
  SectionBasicInformation info = {};
  SIZE_T returned = 0;
  // Fails for a handle without SECTION_QUERY access or of another kind.
  if (query(section, kSectionBasicInformation, &info, sizeof info, &returned) < 0) return false;
  if (info.size.QuadPart <= 0) return false;
  *size = static_cast<uint64_t>(info.size.QuadPart);
  return true;
}

bool QueryEventSignalled(HANDLE event, bool* signalled) {
  static const NtQueryEventFn query = NtdllFunction<NtQueryEventFn>("NtQueryEvent");
  if (query == nullptr) return false;
  EventBasicInformation info = {};
  ULONG returned = 0;
  // Needs EVENT_QUERY_STATE, which a handle opened for waiting and setting
  // alone lacks.
  if (query(event, kEventBasicInformation, &info, sizeof info, &returned) < 0) return false;
  *signalled = info.eventState != 0;
  return true;
}

bool QueryStarterProcessId(DWORD* processId) {
  static const NtQueryInformationProcessFn query =
      NtdllFunction<NtQueryInformationProcessFn>("NtQueryInformationProcess");
  if (query == nullptr) return false;
  ProcessBasicInformation info = {};
  ULONG returned = 0;
  if (query(GetCurrentProcess(), kProcessBasicInformation, &info, sizeof info, &returned) < 0) return false;
  if (info.inheritedFromUniqueProcessId == 0) return false;
  *processId = static_cast<DWORD>(info.inheritedFromUniqueProcessId);
  return true;
}
