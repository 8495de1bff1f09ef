// The Relay slot's two wake-ups, waits on addresses inside the slot.  They
// stay in user mode unless a thread actually has to sleep.
#include "relay/relay.h"

uint32_t ReadWakeups(const RelaySlot* slot) { return slot->wakeups.load(std::memory_order_acquire); }

void AwaitWakeup(RelaySlot* slot, uint32_t seen) {
  // WaitOnAddress may return without a change; the caller looks again.
  WaitOnAddress(&slot->wakeups, &seen, sizeof seen, INFINITE);
}

void WakeWorker(RelaySlot* slot) {
  // The bump is the release that publishes the chunk's fields; a worker that
  // read the old value before it returns from its wait at once.
  slot->wakeups.fetch_add(1, std::memory_order_acq_rel);
  WakeByAddressSingle(&slot->wakeups);
}

void WakeIntake(RelaySlot* slot) { WakeByAddressAll(&slot->length); }

bool AwaitLengthChange(RelaySlot* slot, uint32_t seen, DWORD timeoutMs) {
  return WaitOnAddress(&slot->length, &seen, sizeof seen, timeoutMs) || GetLastError() != ERROR_TIMEOUT;
}
