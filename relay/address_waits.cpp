// Which waits on addresses the relay uses: the system's, looked up at run
// time so that jvmhost.exe still loads where they are missing (Windows 7),
// or the fallback.  Chosen once per process.
#include <cstring>

#include "relay/address_waits.h"

namespace {

// Windows 8 and later implement the synchronization API set
// (api-ms-win-core-synch-l1-2-0) in kernelbase.dll, which every process
// already has loaded on Windows 7 and later: looking there loads nothing.
constexpr char kSystemModule[] = "kernelbase.dll";

template <typename Proc>
Proc LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool FallbackForced() {
  char value[4];
  DWORD length = GetEnvironmentVariableA(WAKEUP_FALLBACK_SWITCH, value, sizeof value);
  return length == 1 && value[0] == '1';
}

AddressWaits ChooseAddressWaits() {
  const AddressWaits fallback = {FallbackWaitOnAddress, FallbackWakeByAddress, FallbackWakeByAddress};
  if (FallbackForced()) return fallback;
  HMODULE module = GetModuleHandleA(kSystemModule);
  if (module == nullptr) return fallback;
  AddressWaits system = {
      LookUp<decltype(AddressWaits::wait)>(module, "WaitOnAddress"),
      LookUp<decltype(AddressWaits::wakeSingle)>(module, "WakeByAddressSingle"),
      LookUp<decltype(AddressWaits::wakeAll)>(module, "WakeByAddressAll"),
  };
  // All three or none: a wait of one kind and a wake of the other would
  // never meet.
  if (system.wait == nullptr || system.wakeSingle == nullptr || system.wakeAll == nullptr) return fallback;
  return system;
}

}  // namespace

const AddressWaits& RelayAddressWaits() {
  static const AddressWaits waits = ChooseAddressWaits();
  return waits;
}

bool RelayUsesSystemAddressWaits() { return RelayAddressWaits().wait != FallbackWaitOnAddress; }
