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
// named by the system as its parent's child, the last one owned by this
// process's user.  False when it cannot be had as such.
bool OpenTraceFolder(TraceFolder* folder);
// Whether handle's object is owned by sid.
bool OwnedBy(HANDLE handle, PSID sid);
// Whether the system names the object of handle as parent\name (a link
// followed on the way, by Windows or by Wine's Unix side, names its target).
bool NamedAsChild(HANDLE handle, const wchar_t* parentFinalPath, const wchar_t* name);
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
