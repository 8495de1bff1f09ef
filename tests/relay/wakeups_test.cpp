// The Relay slot's wake-ups, with the system's address waits and with the
// fallback for Windows 7 (CTest runs this program both ways, the second time
// with the fallback switch set).  A lost wake-up hangs a side: every wait
// here is bounded, and a bound that runs out fails the test.
#include <windows.h>

#include <gtest/gtest.h>

#include "relay/address_waits.h"
#include "relay/relay.h"

namespace {

constexpr DWORD kBoundMs = 20000;
constexpr uint32_t kRounds = 20000;

bool SwitchSet() {
  char value[4];
  return GetEnvironmentVariableA(WAKEUP_FALLBACK_SWITCH, value, sizeof value) == 1 && value[0] == '1';
}

// The worker's side of the handoff, bare: takes every chunk the intake
// publishes and clears the slot, until the running flag drops.
DWORD WINAPI TakeChunks(LPVOID parameter) {
  RelaySlot* slot = static_cast<RelaySlot*>(parameter);
  for (;;) {
    uint32_t seen = ReadWakeups(slot);
    if (slot->running.load() == 0) return 0;
    if (slot->length.load() == 0) {
      AwaitWakeup(slot, seen);
      continue;
    }
    slot->data.store(nullptr);
    slot->length.store(0);
    WakeIntake(slot);
  }
}

}  // namespace

TEST(RelayWakeups, UseTheSystemWaitsUnlessTheSwitchAsksForTheFallback) {
  // Wine, like Windows 8 and later, has the address waits in kernelbase.
  EXPECT_EQ(RelayUsesSystemAddressWaits(), !SwitchSet());
  const AddressWaits& waits = RelayAddressWaits();
  EXPECT_EQ(waits.wait == FallbackWaitOnAddress, SwitchSet());
  EXPECT_EQ(&waits, &RelayAddressWaits()) << "chosen more than once";
}

TEST(RelayWakeups, ThousandsOfHandoffsLoseNoWakeupOnEitherSide) {
  RelaySlot slot;
  ClearRelaySlot(&slot);
  slot.running.store(1);
  HANDLE worker = CreateThread(nullptr, 0, TakeChunks, &slot, 0, nullptr);
  ASSERT_NE(worker, nullptr) << "CreateThread failed: " << GetLastError();
  static const unsigned char chunk[1] = {7};
  uint32_t handedOver = 0;
  for (; handedOver < kRounds; ++handedOver) {
    slot.data.store(chunk);
    slot.length.store(1);
    WakeWorker(&slot);
    // A worker that missed its wake-up, or an intake that missed the
    // worker's, runs the bound out.
    bool stuck = false;
    while (!stuck && slot.length.load() != 0) {
      stuck = !AwaitLengthChange(&slot, 1, kBoundMs) && slot.length.load() != 0;
    }
    if (stuck) break;
  }
  EXPECT_EQ(handedOver, kRounds) << "a wake-up was lost at chunk " << handedOver;
  slot.running.store(0);
  WakeWorker(&slot);
  EXPECT_EQ(WaitForSingleObject(worker, kBoundMs), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the worker missed the end of the job";
  CloseHandle(worker);
}
