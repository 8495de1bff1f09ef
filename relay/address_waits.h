// The waits on addresses behind the Relay slot's wake-ups (wakeups.cpp).
//
// WaitOnAddress and WakeByAddress* exist from Windows 8 on; Windows 7 SP1
// has neither.  jvmhost therefore does not import them: it looks them up
// once per process and, where they are missing, uses a fallback with the
// same contract built on a slim reader/writer lock and a condition variable,
// which Windows 7 has.
//
//   address_waits.cpp    the run-time lookup and the choice, once per process
//   wakeup_fallback.cpp  the fallback
#pragma once

#include <windows.h>

// The contract of the system functions: `wait` sleeps while the `size` bytes
// at address equal those at compare (1, 2, 4 or 8), at most timeoutMs; it
// may return early without a change (callers look again) and returns FALSE
// with ERROR_TIMEOUT when the time ran out.  A wake wakes the waiters on an
// address; whoever changed the value calls it after the change.
struct AddressWaits {
  BOOL(WINAPI* wait)(volatile VOID* address, PVOID compare, SIZE_T size, DWORD timeoutMs);
  VOID(WINAPI* wakeSingle)(PVOID address);
  VOID(WINAPI* wakeAll)(PVOID address);
};

// Test and diagnostic switch, read once per process: with this environment
// variable set to exactly "1" the relay uses the fallback even where the
// system has address waits (the tests run the relay both ways with it).
#define WAKEUP_FALLBACK_SWITCH "JVMHOST_FORCE_WAKEUP_FALLBACK"

// The address waits of this process, chosen at the first call.
const AddressWaits& RelayAddressWaits();
// True when they are the system's, false when they are the fallback.
bool RelayUsesSystemAddressWaits();

// The fallback: one lock and one condition variable for the whole process.
// A wake wakes every waiter on any address (so wakeSingle is wakeAll): each
// looks at its own value again and sleeps on if it has not changed.
BOOL WINAPI FallbackWaitOnAddress(volatile VOID* address, PVOID compare, SIZE_T size, DWORD timeoutMs);
VOID WINAPI FallbackWakeByAddress(PVOID address);
