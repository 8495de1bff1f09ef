// The Relay slot's two wake-ups, waits on addresses inside the slot.  They
// stay in user mode unless a thread actually has to sleep.  The waits are
// the system's or the fallback's (address_waits.h); both keep one contract.
#include "relay/address_waits.h"
#include "relay/relay.h"

uint32_t ReadWakeups(const RelaySlot* slot) { return slot->wakeups.load(std::memory_order_acquire); }

void AwaitWakeup(RelaySlot* slot, uint32_t seen) {
  // The wait may return without a change; the caller looks again.
  RelayAddressWaits().wait(&slot->wakeups, &seen, sizeof seen, INFINITE);
}

void WakeWorker(RelaySlot* slot) {
  // The bump is the release that publishes the chunk's fields; a worker that
  // read the old value before it returns from its wait at once.
  slot->wakeups.fetch_add(1, std::memory_order_acq_rel);
  RelayAddressWaits().wakeSingle(&slot->wakeups);
}

void WakeIntake(RelaySlot* slot) { RelayAddressWaits().wakeAll(&slot->length); }

namespace {

// Sleeps while the 32-bit word at address holds value, at most timeoutMs;
// false when the time ran out.
bool SleepWhileHolding(volatile void* address, uint32_t value, DWORD timeoutMs) {
  return RelayAddressWaits().wait(address, &value, sizeof value, timeoutMs) || GetLastError() != ERROR_TIMEOUT;
}

}  // namespace

bool AwaitLengthChange(RelaySlot* slot, uint32_t seen, DWORD timeoutMs) {
  return SleepWhileHolding(&slot->length, seen, timeoutMs);
}

void ReportOutOfJava(RelaySlot* slot) {
  slot->outOfJava.store(1, std::memory_order_release);
  RelayAddressWaits().wakeAll(&slot->outOfJava);
}

bool AwaitOutOfJava(RelaySlot* slot, DWORD timeoutMs) { return SleepWhileHolding(&slot->outOfJava, 0, timeoutMs); }

void ReportCallReturned(RelaySlot* slot) {
  slot->inCall.store(0, std::memory_order_release);
  // No system call when nobody waits, which is the rule: the intake waits
  // only at a job's end marker.
  RelayAddressWaits().wakeAll(&slot->inCall);
}

bool AwaitCallReturn(RelaySlot* slot, DWORD timeoutMs) { return SleepWhileHolding(&slot->inCall, 1, timeoutMs); }

void ReportBinding(RelaySlot* slot, RelayBinding binding) {
  slot->binding.store(binding, std::memory_order_release);
  // No system call when nobody waits: the intake waits only at an end
  // marker that comes while the worker still binds.
  RelayAddressWaits().wakeAll(&slot->binding);
}

bool AwaitBinding(RelaySlot* slot, DWORD timeoutMs) {
  return SleepWhileHolding(&slot->binding, kBindPending, timeoutMs);
}
