// The account's trace folder and the checks every handle in it passes.
#pragma once

#include <windows.h>

constexpr int kTracePathCapacity = 600;
constexpr int kTraceFolderDepth = 4;  // %ProgramData%, Velmo, trace, <account SID>

// A handle that closes itself.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() { Reset(INVALID_HANDLE_VALUE); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  void Reset(HANDLE handle) {
    // Closing a handle this process opened cannot fail in a way worth telling.
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

struct TraceFolder {
  // How the levels' final paths are spelled: VOLUME_NAME_DOS, or
  // VOLUME_NAME_GUID where program data lies on a volume without a drive
  // letter (mounted in a folder).
  DWORD volumeName = VOLUME_NAME_DOS;
  // SYSTEM, or an elevated administrator: may rename what another account
  // left in "trace" under this account's name.
  bool mayClearItsName = false;
  // Each level from %ProgramData% down, held without sharing deletion, so
  // none of them can be renamed or replaced while a file in it is opened.
  OwnedHandle levels[kTraceFolderDepth];
  wchar_t path[kTracePathCapacity];
  wchar_t finalPath[kTracePathCapacity];  // the account folder as the system names it
  alignas(8) unsigned char user[SECURITY_MAX_SID_SIZE];
  wchar_t userText[192];  // the user's SID as text
};

// Makes the account's folder (%ProgramData%\Velmo\trace\<SID>, the last
// with a protected DACL: the account, SYSTEM and the Administrators) or
// checks the one there: every level a directory and no reparse point,
// named by the system as its parent's child, the shared two as
// JudgeSharedLevel wants them, the last one owned by this process's user
// (where it is not, SYSTEM and administrators move it aside and make their
// own).  False when it cannot be had as such.
bool OpenTraceFolder(TraceFolder* folder);
// Whether handle's object is owned by sid.
bool OwnedBy(HANDLE handle, PSID sid);
// Whether the system names the object of handle as parent\name (a link
// followed on the way, by Windows or by Wine's Unix side, names its target).
bool NamedAsChild(HANDLE handle, const wchar_t* parentFinalPath, const wchar_t* name, DWORD volumeName);

// ---------------------------------------------------------------------------
// The shared levels, Velmo and trace (shared_level.cpp).
// As jvmhost makes them: no owner given, so the owner is whoever made them,
// and OWNER RIGHTS leaves that owner no more than anyone else: to list and
// to add a folder.
constexpr wchar_t kSharedLevelSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ad;;;AU)(A;;0x1200ad;;;OW)";
// SYNCHRONIZE, READ_CONTROL, the attributes, traversal and listing, and
// adding a folder: no adding files, no deleting, no rewriting the DACL.
constexpr ACCESS_MASK kListAndAddFolder = 0x1200ad;
enum class SharedLevelVerdict {
  kSound,             // usable
  kNoDacl,            // none, or a NULL DACL that lets everyone do everything
  kDaclNotProtected,  // takes entries from its parent
  kOwnerUntrusted,    // its owner may rewrite the DACL
  kGrantsTooMuch,     // someone besides SYSTEM and Administrators may do more than kListAndAddFolder
};
// An existing shared level is used only when it is as jvmhost would make it:
// its DACL protected; owned by SYSTEM, Administrators or TrustedInstaller,
// or limited by an OWNER RIGHTS entry; no entry allowing anyone but SYSTEM
// and Administrators more than kListAndAddFolder.  Entries that are only
// inherited by children do not count.
SharedLevelVerdict JudgeSharedLevel(PSECURITY_DESCRIPTOR descriptor);
const char* SharedLevelVerdictText(SharedLevelVerdict verdict);
// A security descriptor from its text, freed when it goes.
class SecurityDescriptorText {
 public:
  explicit SecurityDescriptorText(const wchar_t* text);
  ~SecurityDescriptorText();
  SecurityDescriptorText(const SecurityDescriptorText&) = delete;
  SecurityDescriptorText& operator=(const SecurityDescriptorText&) = delete;
  // Not inheritable: no process the Java application starts gets a handle.
  SECURITY_ATTRIBUTES* attributes() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_ = {};
};
