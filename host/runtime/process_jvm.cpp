// The jvm.dll whose virtual machine the process has.  Each jvm.dll keeps its
// virtual machine to itself: another copy (after a Java or product update
// changed what the registry points to) finds none and would try to create a
// second one, and HotSpot then ends the whole process.  So once a virtual
// machine exists, every later start-up keeps to the library that made it.
#include "host/runtime/runtime.h"

namespace {

SRWLOCK gLock = SRWLOCK_INIT;
bool gKept = false;
JvmEntryPoints gEntryPoints = {};

}  // namespace

void KeepProcessJvm(const JvmEntryPoints* entryPoints) {
  AcquireSRWLockExclusive(&gLock);
  if (!gKept) {
    gEntryPoints = *entryPoints;
    gKept = true;
  }
  ReleaseSRWLockExclusive(&gLock);
}

bool ProcessJvm(JvmEntryPoints* entryPoints) {
  AcquireSRWLockShared(&gLock);
  bool kept = gKept;
  if (kept) *entryPoints = gEntryPoints;
  ReleaseSRWLockShared(&gLock);
  return kept;
}
