// Waits on addresses for systems without WaitOnAddress (Windows 7): one slim
// reader/writer lock and one condition variable for the whole process.
//
// No wake-up is lost: the waiter compares the value while it holds the lock
// and stays inside it until SleepConditionVariableSRW has queued it, and the
// waker, which changed the value before, takes and drops the same lock before
// it wakes.  So either the waiter's comparison comes after the waker's lock,
// and sees the new value, or the waiter is already queued when the wake comes.
#include <cstdint>

#include "relay/address_waits.h"

namespace {

SRWLOCK gLock = SRWLOCK_INIT;
CONDITION_VARIABLE gChanged = CONDITION_VARIABLE_INIT;

// Whole reads of the waited-on value, as WaitOnAddress compares it.
template <typename Word>
bool Equal(volatile const VOID* address, const VOID* compare) {
  return *static_cast<volatile const Word*>(address) == *static_cast<const Word*>(compare);
}

bool SameValue(volatile const VOID* address, const VOID* compare, SIZE_T size) {
  switch (size) {
    case 1:
      return Equal<uint8_t>(address, compare);
    case 2:
      return Equal<uint16_t>(address, compare);
    case 4:
      return Equal<uint32_t>(address, compare);
    default:
      return Equal<uint64_t>(address, compare);
  }
}

}  // namespace

/*
 * FallbackWaitOnAddress
 *
 * Sleeps while the `size` bytes at address equal those at compare, at most
 * timeoutMs, as WaitOnAddress does.
 *
 * Returns TRUE when the value differed or a wake came (any wake in the
 * process: the caller looks again), FALSE with ERROR_TIMEOUT when the time
 * ran out, FALSE with ERROR_INVALID_PARAMETER for a size other than 1, 2, 4
 * or 8.
 */
BOOL WINAPI FallbackWaitOnAddress(volatile VOID* address, PVOID compare, SIZE_T size, DWORD timeoutMs) {
  if (size != 1 && size != 2 && size != 4 && size != 8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  AcquireSRWLockExclusive(&gLock);
  BOOL woken = TRUE;
  if (SameValue(address, compare, size)) woken = SleepConditionVariableSRW(&gChanged, &gLock, timeoutMs, 0);
  // Releasing the lock leaves the last error (ERROR_TIMEOUT) as it is.
  ReleaseSRWLockExclusive(&gLock);
  return woken;
}

/*
 * FallbackWakeByAddress
 *
 * Wakes every waiter of the process; called after the value at address was
 * changed.  The waiters share one condition variable, so waking only one
 * could wake one that waits on another address and lose this wake.
 */
VOID WINAPI FallbackWakeByAddress(PVOID) {
  // The empty critical section orders this wake after any waiter's
  // comparison that might still have seen the old value.
  AcquireSRWLockExclusive(&gLock);
  ReleaseSRWLockExclusive(&gLock);
  WakeAllConditionVariable(&gChanged);
}
