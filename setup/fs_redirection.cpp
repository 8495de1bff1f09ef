// A 32-bit build on 64-bit Windows would otherwise see SysWOW64 where the
// spooler's 64-bit driver directory is meant.  A 64-bit process has nothing
// to disable: both calls fail and change nothing.
#include "setup/setup.h"

void* DisableFsRedirection() {
  void* savedValue = nullptr;
  if (!Wow64DisableWow64FsRedirection(&savedValue)) return nullptr;
  return savedValue;
}

void RevertFsRedirection(void* savedValue) { Wow64RevertWow64FsRedirection(savedValue); }
