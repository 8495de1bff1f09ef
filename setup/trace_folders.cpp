// The shared levels of jvmhost's trace folder, %ProgramData%\Velmo and
// %ProgramData%\Velmo\trace, made by the elevated installation so that no
// standard user can own them first.  Owned by Administrators, with a
// protected DACL: SYSTEM and Administrators full control (inherited below),
// authenticated users list and add a folder (their own account's), and an
// OWNER RIGHTS entry of the same, so that whoever becomes owner gains
// nothing from it (no implicit WRITE_DAC).  A level found (made by a
// launcher that ran first, or by someone else) gets the same owner and DACL.
// The removal leaves both: support may still need the traces in them.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "setup/setup.h"
#include "setup/trace.h"

const wchar_t kSharedTraceFolderSddl[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ad;;;AU)(A;;0x1200ad;;;OW)";

namespace {

// Makes or finds one level and gives it the descriptor's owner and DACL.
// The folder is opened without following a reparse point: a junction put in
// its place is refused, never rewritten through.  The open handle, which
// shares no deletion, keeps the level in place while the next one is made.
bool PrepareSharedLevel(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor, std::vector<HANDLE>* held) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  if (!CreateDirectoryW(path.c_str(), &attributes) && GetLastError() != ERROR_ALREADY_EXISTS) {
    TraceStepFailureWide(SETUP_TRACE_TRACE_FOLDER_CREATE, path.c_str(), GetLastError());
    return false;
  }
  HANDLE folder = CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    TraceStepFailureWide(SETUP_TRACE_TRACE_FOLDER_OPEN, path.c_str(), GetLastError());
    return false;
  }
  held->push_back(folder);
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(folder, &information)) {
    TraceStepFailureWide(SETUP_TRACE_TRACE_FOLDER_OPEN, path.c_str(), GetLastError());
    return false;
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    TraceStepFailureWide(SETUP_TRACE_TRACE_FOLDER_OPEN, path.c_str(), ERROR_DIRECTORY);
    return false;
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
    TraceStepFailureWide(SETUP_TRACE_TRACE_FOLDER_SECURE, path.c_str(), GetLastError());
    return false;
  }
  const DWORD error = SetSecurityInfo(
      folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      owner, nullptr, dacl, nullptr);
  if (error != ERROR_SUCCESS) {
    TraceStepFailureWide(SETUP_TRACE_TRACE_FOLDER_SECURE, path.c_str(), error);
    return false;
  }
  return true;
}

}  // namespace

bool PrepareTraceFolders() {
  wchar_t programData[MAX_PATH];
  const HRESULT found = SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, programData);
  if (FAILED(found)) {
    TraceStepFailure(SETUP_TRACE_TRACE_FOLDER_CREATE, static_cast<unsigned long>(found));
    return false;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kSharedTraceFolderSddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    TraceStepFailure(SETUP_TRACE_TRACE_FOLDER_SECURE, GetLastError());
    return false;
  }
  std::vector<HANDLE> held;
  std::wstring path = programData;
  bool prepared = true;
  for (const wchar_t* level : {L"\\Velmo", L"\\trace"}) {
    path += level;
    prepared = prepared && PrepareSharedLevel(path, descriptor, &held);
  }
  for (HANDLE folder : held) CloseHandle(folder);
  LocalFree(descriptor);
  return prepared;
}
