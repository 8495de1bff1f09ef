// One folder per account rather than one shared by all: a file that
// several accounts write would belong to one of them, and that one could
// swap it for a link that another, more powerful account (the spooler's, for
// the relay) then writes through.  In a folder only its account can write,
// nobody else can plant anything; what is there already is checked anyway.
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>

#include "host/trace/trace_folder.h"
#include "host/trace/trace_texts.h"

namespace {

using GetFolderPathProc = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

// Through the shell, which reads where the machine keeps its program data;
// the environment is the caller's to set.  Loaded only once a trace file is
// wanted (shell32 is one of the system's known DLLs, mapped from the system
// directory only).
bool ProgramDataFolder(wchar_t* path) {
  HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell == nullptr) return false;
  auto getFolderPath =
      reinterpret_cast<GetFolderPathProc>(reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetFolderPathW")));
  return getFolderPath != nullptr && getFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path) == S_OK;
}

bool ReadProcessUser(TraceFolder* folder) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  OwnedHandle holder(token);
  alignas(8) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return false;
  PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  if (!CopySid(sizeof folder->user, folder->user, user)) return false;
  // Only these have more than list-and-add-folder on "trace".
  alignas(8) unsigned char administrators[SECURITY_MAX_SID_SIZE];
  DWORD administratorsSize = sizeof administrators;
  BOOL elevated = FALSE;
  folder->mayClearItsName =
      IsWellKnownSid(user, WinLocalSystemSid) ||
      (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize) &&
       CheckTokenMembership(nullptr, administrators, &elevated) && elevated);
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(user, &text)) return false;
  bool fits = swprintf(folder->userText, sizeof folder->userText / sizeof(wchar_t), L"%ls", text) > 0;
  LocalFree(text);
  return fits;
}

bool FinalPathOf(HANDLE handle, wchar_t* path, DWORD volumeName) {
  DWORD length = GetFinalPathNameByHandleW(handle, path, kTracePathCapacity, FILE_NAME_NORMALIZED | volumeName);
  return length > 0 && length < kTracePathCapacity;
}

// Opens one level of the folder, made with `descriptor` when missing.
bool OpenLevel(const wchar_t* path, SecurityDescriptorText* descriptor, OwnedHandle* level) {
  // An existing one is taken as it is, and checked below.
  if (!CreateDirectoryW(path, descriptor->attributes()) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return false;
  }
  level->Reset(CreateFileW(path, FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  return level->valid() && GetFileInformationByHandle(level->get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Wine keeps no security descriptor on its drives: it makes one up from the
// Unix owner and mode, never protected, and the Unix permissions are what
// guard the folders there.
bool DescriptorsKept() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

LONG gSharedLevelRefusalSaid = 0;

// Said once per process, straight to the debug output: the file is off, and
// the open is tried again later.
void SaySharedLevelRefused(const char* level, SharedLevelVerdict verdict) {
  if (InterlockedExchange(&gSharedLevelRefusalSaid, 1) != 0) return;
  char line[512];
  snprintf(line, sizeof line, TRACE_PREFIX TRACE_SHARED_LEVEL_REFUSED ": %%ProgramData%%\\%s, %s (error %d)\n", level,
           SharedLevelVerdictText(verdict), static_cast<int>(verdict));
  OutputDebugStringA(line);
}

bool SharedLevelUsable(HANDLE level, const char* name) {
  if (!DescriptorsKept()) return true;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(level, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  SharedLevelVerdict verdict = JudgeSharedLevel(descriptor);
  LocalFree(descriptor);
  if (verdict != SharedLevelVerdict::kSound) SaySharedLevelRefused(name, verdict);
  return verdict == SharedLevelVerdict::kSound;
}

// The account's own level: made, or found owned by the account.  Anyone may
// add a folder to "trace", so one may have been made under this account's
// name before it; SYSTEM and administrators can move such a thing aside.
bool OpenAccountLevel(TraceFolder* folder, SecurityDescriptorText* own, const wchar_t* parentFinalPath) {
  OwnedHandle* level = &folder->levels[kTraceFolderDepth - 1];
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (OpenLevel(folder->path, own, level) &&
        NamedAsChild(level->get(), parentFinalPath, folder->userText, folder->volumeName) &&
        OwnedBy(level->get(), folder->user)) {
      return true;
    }
    level->Reset(INVALID_HANDLE_VALUE);
    wchar_t aside[kTracePathCapacity];
    if (attempt > 0 || !folder->mayClearItsName ||
        swprintf(aside, kTracePathCapacity, L"%ls.%lu.%llu.moved", folder->path, GetCurrentProcessId(),
                 static_cast<unsigned long long>(GetTickCount64())) < 0 ||
        !MoveFileExW(folder->path, aside, 0)) {
      return false;
    }
  }
  return false;
}

}  // namespace

SecurityDescriptorText::SecurityDescriptorText(const wchar_t* text) {
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr)) {
    descriptor_ = nullptr;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor_;
  attributes_.bInheritHandle = FALSE;
}

SecurityDescriptorText::~SecurityDescriptorText() {
  if (descriptor_ != nullptr) LocalFree(descriptor_);
}

bool OwnedBy(HANDLE handle, PSID sid) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool same = owner != nullptr && EqualSid(owner, sid);
  LocalFree(descriptor);
  return same;
}

bool NamedAsChild(HANDLE handle, const wchar_t* parentFinalPath, const wchar_t* name, DWORD volumeName) {
  wchar_t expected[kTracePathCapacity];
  wchar_t actual[kTracePathCapacity];
  return swprintf(expected, kTracePathCapacity, L"%ls\\%ls", parentFinalPath, name) > 0 &&
         FinalPathOf(handle, actual, volumeName) && _wcsicmp(expected, actual) == 0;
}

bool OpenTraceFolder(TraceFolder* folder) {
  if (!ReadProcessUser(folder) || !ProgramDataFolder(folder->path)) return false;
  // The shared levels let every account make its own folder in "trace" and
  // no account touch another's; the account's own is protected from what
  // its parents would hand down.
  wchar_t ownText[512];
  swprintf(ownText, 512, L"O:%lsD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;%ls)", folder->userText,
           folder->userText);
  SecurityDescriptorText shared(kSharedLevelSddl);
  SecurityDescriptorText own(ownText);
  if (shared.attributes() == nullptr || own.attributes() == nullptr) return false;

  // Program data itself is the machine's; an administrator may have moved it,
  // also to a volume mounted in a folder, which has no drive letter.
  folder->levels[0].Reset(CreateFileW(folder->path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder->levels[0].valid()) return false;
  folder->volumeName = VOLUME_NAME_DOS;
  if (!FinalPathOf(folder->levels[0].get(), folder->finalPath, folder->volumeName)) {
    folder->volumeName = VOLUME_NAME_GUID;
    if (!FinalPathOf(folder->levels[0].get(), folder->finalPath, folder->volumeName)) return false;
  }
  const wchar_t* names[kTraceFolderDepth] = {nullptr, L"Velmo", L"trace", folder->userText};
  const char* shownNames[kTraceFolderDepth] = {nullptr, "Velmo", "Velmo\\trace", nullptr};
  for (int depth = 1; depth < kTraceFolderDepth; ++depth) {
    size_t length = wcslen(folder->path);
    if (swprintf(folder->path + length, kTracePathCapacity - length, L"\\%ls", names[depth]) < 0) return false;
    if (depth == kTraceFolderDepth - 1) {
      if (!OpenAccountLevel(folder, &own, folder->finalPath)) return false;
    } else if (!OpenLevel(folder->path, &shared, &folder->levels[depth]) ||
               !NamedAsChild(folder->levels[depth].get(), folder->finalPath, names[depth], folder->volumeName) ||
               !SharedLevelUsable(folder->levels[depth].get(), shownNames[depth])) {
      return false;
    }
    if (!FinalPathOf(folder->levels[depth].get(), folder->finalPath, folder->volumeName)) return false;
  }
  return true;
}
