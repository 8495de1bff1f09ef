// The runtime rule of this process (RuntimeRuleFor, runtime_trust.cpp) and
// the walk that reads the owner and DACL of jvm.dll and of every folder above
// it.  The walk follows the file's final path, so a junction or a symbolic
// link on the way is judged by where it leads, up to that volume's root.
#include <aclapi.h>

#include <cwchar>

#include "host/runtime/runtime.h"
#include "host/text/bounded_text.h"
#include "host/text/text.h"
#include "host/trace/trace.h"

namespace {

bool servingPrintJobs = false;

// The process token's account and elevation; false when it cannot be read.
bool ReadProcessAccount(BYTE* userBuffer, DWORD userCapacity, bool* elevated) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  bool read = GetTokenInformation(token, TokenUser, userBuffer, userCapacity, &size) != FALSE;
  TOKEN_ELEVATION elevation = {};
  // TokenElevation exists from Vista on; a token that cannot say is taken as
  // elevated, so the folders are judged rather than trusted.
  *elevated = !GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) ||
              elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return read;
}

struct ProcessAccount {
  alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  bool known;
  bool elevated;
};

// Read once, in place (TOKEN_USER points into its own buffer): a token's
// account and elevation do not change.
const ProcessAccount& TheProcessAccount() {
  static ProcessAccount account = {};
  static const bool read = (account.known = ReadProcessAccount(account.user, sizeof account.user, &account.elevated));
  (void)read;
  return account;
}

PSID ProcessUser() {
  const ProcessAccount& account = TheProcessAccount();
  return account.known ? reinterpret_cast<const TOKEN_USER*>(account.user)->User.Sid : nullptr;
}

bool HasPrefix(const wchar_t* path) {
  return path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\';
}

// The length of the root in a final path: "\\?\C:\", "\\?\UNC\server\share\"
// or "\\?\Volume{...}\"; 0 when the path has none of these forms.

size_t RootLength(const wchar_t* path) {
  if (!HasPrefix(path)) return 0;
  const wchar_t* rest = path + 4;
  bool unc = (rest[0] | 0x20) == L'u' && (rest[1] | 0x20) == L'n' && (rest[2] | 0x20) == L'c' && rest[3] == L'\\';
  int separators = unc ? 3 : 1;
  for (const wchar_t* p = rest; *p != L'\0'; ++p) {
    if (*p == L'\\' && --separators == 0) return static_cast<size_t>(p - path) + 1;
  }
  return 0;
}

// The final path of an open file, by drive letter where it has one, else by
// the volume's GUID (a volume mounted only into a folder).
bool FinalPath(HANDLE file, wchar_t* path, DWORD capacity) {
  const DWORD volumeNames[] = {VOLUME_NAME_DOS, VOLUME_NAME_GUID};
  for (DWORD volumeName : volumeNames) {
    DWORD length = GetFinalPathNameByHandleW(file, path, capacity, FILE_NAME_NORMALIZED | volumeName);
    if (length > 0 && length < capacity) return true;
  }
  return false;
}

// *error: NO_ERROR when judged, else why the descriptor could not be read.
bool HandleMayBeChangedOnlyByAdministrators(HANDLE handle, RuntimeLevel level, DWORD* error) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD result = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                 &owner, nullptr, &dacl, nullptr, &descriptor);
  if (result != ERROR_SUCCESS) {
    *error = result;
    return false;
  }
  bool trusted = OnlyAdministratorsMayChange(owner, dacl, level, ProcessUser());
  LocalFree(descriptor);
  return trusted;
}

HANDLE OpenForDescriptor(const wchar_t* path, DWORD extraFlags) {
  return CreateFileW(path, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | extraFlags, nullptr);
}

}  // namespace

void NoteServingPrintJobs(bool serving) { servingPrintJobs = serving; }

RuntimeRule ProcessRuntimeRule() {
  if (!servingPrintJobs) return RuntimeRule{false, false};
  const ProcessAccount& account = TheProcessAccount();
  // An account that cannot be read is judged as the strictest.
  if (!account.known) return RuntimeRule{true, true};
  return RuntimeRuleFor(true, ProcessUser(), account.elevated);
}

RuntimeVerdict JudgeRuntimeFolders(const char* jvmPath, DWORD* error, wchar_t* refused, int refusedCapacity) {
  *error = NO_ERROR;
  if (refusedCapacity > 0) refused[0] = L'\0';
  wchar_t widePath[kPathCapacity];
  if (MultiByteToWideChar(CP_ACP, 0, jvmPath, -1, widePath, kPathCapacity) <= 0) {
    *error = GetLastError();
    return RuntimeVerdict::kUnreadable;
  }
  HANDLE jvm = OpenForDescriptor(widePath, 0);
  if (jvm == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    // Nothing is loaded from a runtime without jvm.dll; start-up says so.
    if (*error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND) return RuntimeVerdict::kNoJvm;
    return RuntimeVerdict::kUnreadable;
  }
  wchar_t path[kPathCapacity];
  path[0] = L'\0';
  bool named = FinalPath(jvm, path, kPathCapacity);
  if (!named) *error = GetLastError() != NO_ERROR ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
  size_t root = named ? RootLength(path) : 0;
  if (named && root == 0) *error = ERROR_BAD_PATHNAME;
  bool trusted = root > 0 && HandleMayBeChangedOnlyByAdministrators(jvm, RuntimeLevel::kWithinRuntime, error);
  CloseHandle(jvm);
  // jvm.dll, then bin\server, bin and the runtime's home are the runtime;
  // the folders above it lead there.
  int level = 0;
  size_t length = wcslen(path);
  while (trusted && length > root) {
    while (length > root && path[length - 1] != L'\\') --length;
    path[length > root ? length - 1 : length] = L'\0';
    if (length > root) --length;
    HANDLE folder = OpenForDescriptor(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (folder == INVALID_HANDLE_VALUE) {
      *error = GetLastError();
      trusted = false;
      break;
    }
    ++level;
    trusted = HandleMayBeChangedOnlyByAdministrators(
        folder, level <= 3 ? RuntimeLevel::kWithinRuntime : RuntimeLevel::kAboveRuntime, error);
    CloseHandle(folder);
  }
  if (trusted) return RuntimeVerdict::kTrusted;
  if (refusedCapacity > 0 && named) {
    // Named without the "\\?\" prefix, as support would type it.
    const wchar_t* shown = HasPrefix(path) && path[4] != L'\0' && path[5] == L':' ? path + 4 : path;
    int i = 0;
    for (; i < refusedCapacity - 1 && shown[i] != L'\0'; ++i) refused[i] = shown[i];
    refused[i] = L'\0';
  }
  return *error == NO_ERROR ? RuntimeVerdict::kOthersMayChange : RuntimeVerdict::kUnreadable;
}

bool RuntimeRefusedForRelay(const char* source, const char* home) {
  if (!ProcessRuntimeRule().checkFolders) return false;
  char jvmPath[kPathCapacity];
  DWORD error = NO_ERROR;
  wchar_t refused[kPathCapacity];
  RuntimeVerdict verdict = BuildJvmLibraryPath(home, jvmPath, sizeof jvmPath)
                               ? JudgeRuntimeFolders(jvmPath, &error, refused, kPathCapacity)
                               : RuntimeVerdict::kNoJvm;
  if (verdict == RuntimeVerdict::kTrusted || verdict == RuntimeVerdict::kNoJvm) return false;
  // Named in UTF-8, so the trace reads the same on any system.
  char namedHome[3 * kPathCapacity];
  char namedLevel[3 * kPathCapacity];
  if (!Utf8FolderName(home, namedHome, sizeof namedHome)) FormatInto(namedHome, sizeof namedHome, "%s", home);
  if (!Utf8FromWide(refused, namedLevel, sizeof namedLevel)) namedLevel[0] = '\0';
  char detail[8 * kPathCapacity];
  FormatInto(detail, sizeof detail, "%s = %s, at %s", source, namedHome, namedLevel);
  TraceFailureDetail(verdict == RuntimeVerdict::kOthersMayChange ? TRACE_RUNTIME_OTHERS_MAY_CHANGE
                                                                 : TRACE_RUNTIME_UNJUDGED,
                     detail, error);
  return true;
}
