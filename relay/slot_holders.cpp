// A Relay slot per job, held by the intake and by the job's worker; the side
// that lets go last frees it.  Neither side waits for the other to do so.
#include <new>

#include "relay/relay.h"

RelaySlot* NewRelaySlot() {
  RelaySlot* slot = new (std::nothrow) RelaySlot;
  if (slot == nullptr) return nullptr;
  ClearRelaySlot(slot);
  slot->holders.store(1);
  return slot;
}

void ReleaseRelaySlot(RelaySlot* slot) {
  // acq_rel: the side that frees the slot sees every write the other side
  // made before letting go.
  if (slot->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete slot;
}
