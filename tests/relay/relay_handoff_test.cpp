// The handoff between intake and worker: it must neither burn the intake's
// processor while Java is slow nor wait for a worker that is gone.
#include <string>

#include "relay/relay.h"
#include "tests/relay/relay_fixture.h"
#include "tests/support/thread_times.h"

namespace {

struct HandOff {
  RelaySlot* slot;
  const unsigned char* data;
  uint32_t length;
};

DWORD WINAPI HandOffThread(LPVOID parameter) {
  HandOff* handOff = static_cast<HandOff*>(parameter);
  HandOffChunk(handOff->slot, handOff->data, handOff->length);
  return 0;
}

// Runs HandOffChunk on a thread of its own; true when it returned within
// timeoutMs (a hung handoff fails the test instead of hanging it).
bool HandOffReturns(HandOff* handOff, DWORD timeoutMs) {
  HANDLE thread = CreateThread(nullptr, 0, HandOffThread, handOff, 0, nullptr);
  if (thread == nullptr) return false;
  bool returned = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
  if (returned) CloseHandle(thread);
  return returned;
}

DWORD WINAPI EndAtOnce(LPVOID) { return 0; }

}  // namespace

using RelayHandoff = RelayTest;

TEST_F(RelayHandoff, SlowJavaLeavesTheIntakeIdleAndEveryByteInOrder) {
  jvm_->Configure("slow_ms", "50");
  OpenChannel();
  StartRelay();
  std::string job = PatternBytes(20 * 8192, 70);
  JobPlan plan;
  plan.chunkSize = 8192;
  JobTally tally;
  double cpuBefore = ThreadCpuMs(relayThread_);
  ULONGLONG start = GetTickCount64();
  ASSERT_EQ(FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  double wallMs = static_cast<double>(GetTickCount64() - start);
  double intakeMs = ThreadCpuMs(relayThread_) - cpuBefore;
  ASSERT_GE(wallMs, 20 * 50.0) << "Java was not slow";
  EXPECT_LT(intakeMs / wallMs, 0.25) << "the intake used " << intakeMs << " ms of processor in " << wallMs << " ms";
  ASSERT_TRUE(StopRelay());
  EXPECT_TRUE(SameBytes(jvm_->Received("header") + jvm_->Received("data"), job));
}

TEST(HandOffChunk, ReturnsWhenTheWorkerThreadHasEndedWithoutTakingTheChunk) {
  RelaySlot slot;
  ClearRelaySlot(&slot);
  slot.running.store(1);
  slot.thread = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, &slot.threadId);
  ASSERT_NE(slot.thread, nullptr) << "CreateThread failed: " << GetLastError();
  ASSERT_EQ(WaitForSingleObject(slot.thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  unsigned char chunk[16] = {1, 2, 3};
  HandOff handOff = {&slot, chunk, sizeof chunk};
  EXPECT_TRUE(HandOffReturns(&handOff, 10000)) << "HandOffChunk waits for a worker that has ended";
  CloseHandle(slot.thread);
}

TEST(HandOffChunk, ReturnsAtOnceWhenNoWorkerRuns) {
  RelaySlot slot;
  ClearRelaySlot(&slot);
  unsigned char chunk[16] = {1, 2, 3};
  HandOff handOff = {&slot, chunk, sizeof chunk};
  EXPECT_TRUE(HandOffReturns(&handOff, 10000)) << "HandOffChunk waits although the running flag is 0";
}
