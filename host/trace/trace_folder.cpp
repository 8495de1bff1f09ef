// One folder per account rather than one shared by all: a file that
// several accounts write would belong to one of them, and that one could
// swap it for a link that another, more powerful account (the spooler's, for
// the relay) then writes through.  In a folder only its account can write,
// nobody else can plant anything; what is there already is checked anyway.
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cwchar>

#include "host/trace/trace_folder.h"

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
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(user, &text)) return false;
  bool fits = swprintf(folder->userText, sizeof folder->userText / sizeof(wchar_t), L"%ls", text) > 0;
  LocalFree(text);
  return fits;
}

bool FinalPathOf(HANDLE handle, wchar_t* path) {
  DWORD length = GetFinalPathNameByHandleW(handle, path, kTracePathCapacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
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

bool NamedAsChild(HANDLE handle, const wchar_t* parentFinalPath, const wchar_t* name) {
  wchar_t expected[kTracePathCapacity];
  wchar_t actual[kTracePathCapacity];
  return swprintf(expected, kTracePathCapacity, L"%ls\\%ls", parentFinalPath, name) > 0 &&
         FinalPathOf(handle, actual) && _wcsicmp(expected, actual) == 0;
}

bool OpenTraceFolder(TraceFolder* folder) {
  if (!ReadProcessUser(folder) || !ProgramDataFolder(folder->path)) return false;
  // The levels below program data let every account make its own folder in
  // "trace" and no account touch another's; the account's own is protected
  // from what its parents would hand down.
  wchar_t sharedText[256];
  wchar_t ownText[512];
  swprintf(sharedText, 256, L"O:%lsD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ad;;;AU)", folder->userText);
  swprintf(ownText, 512, L"O:%lsD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;%ls)", folder->userText,
           folder->userText);
  SecurityDescriptorText shared(sharedText);
  SecurityDescriptorText own(ownText);
  if (shared.attributes() == nullptr || own.attributes() == nullptr) return false;

  // Program data itself is the machine's; an administrator may have moved it.
  folder->levels[0].Reset(CreateFileW(folder->path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder->levels[0].valid() || !FinalPathOf(folder->levels[0].get(), folder->finalPath)) return false;
  const wchar_t* names[kTraceFolderDepth] = {nullptr, L"Velmo", L"trace", folder->userText};
  for (int depth = 1; depth < kTraceFolderDepth; ++depth) {
    size_t length = wcslen(folder->path);
    if (swprintf(folder->path + length, kTracePathCapacity - length, L"\\%ls", names[depth]) < 0) return false;
    bool last = depth == kTraceFolderDepth - 1;
    if (!OpenLevel(folder->path, last ? &own : &shared, &folder->levels[depth]) ||
        !NamedAsChild(folder->levels[depth].get(), folder->finalPath, names[depth]) ||
        !FinalPathOf(folder->levels[depth].get(), folder->finalPath)) {
      return false;
    }
  }
  return OwnedBy(folder->levels[kTraceFolderDepth - 1].get(), folder->user);
}
