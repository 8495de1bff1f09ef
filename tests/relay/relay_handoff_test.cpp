// The handoff between intake and worker: it must neither burn the intake's
// processor while Java is slow nor wait for a worker that is gone.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

// A chunk is acknowledged once its bytes are in Java's arrays, while Java
// still works on them: a Java side that returns only once the producer has
// sent the next chunk, or the end marker, must not hold the job up.  A
// refused array still ends the job at its chunk.
TEST_F(RelayHandoff, ChunksAreAcknowledgedWhileJavaStillWorksOnThem) {
  struct Case {
    const char* refusedArray;  // fail_new_byte_array_once
    std::vector<std::string> calls;
    size_t bytesInJava;
  };
  const Case cases[] = {
      {nullptr, {"runVelmo", "writeHeader 2048", "writePSData 2952", "writePSData 5000", "writePSData 5000",
                 "writePSData 5000", "writeEnd"}, 20000},
      // Arrays: 1 the header, 2 the rest of the first chunk, 3 the second...
      {"4", {"runVelmo", "writeHeader 2048", "writePSData 2952", "writePSData 5000", "writeEnd"}, 10000},
      {"1", {"runVelmo", "writeEnd"}, 0},
  };
  std::string name = "Local\\hold-data-" + std::to_string(GetCurrentProcessId());
  HANDLE release = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
  ASSERT_NE(release, nullptr) << "CreateEventA failed: " << GetLastError();
  jvm_->Configure("hold_data", name.c_str());
  OpenChannel();
  StartRelay();
  std::string job = PatternBytes(4 * 5000, 71);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusedArray != nullptr ? c.refusedArray : "no array refused");
    jvm_->ResetRecord();
    jvm_->Configure("fail_new_byte_array_once", c.refusedArray);
    ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
    for (int chunk = 0; chunk <= 4; ++chunk) {
      int32_t length = chunk < 4 ? 5000 : kChunkEndMarker;
      if (length > 0) memcpy(channel_.chunkBlock + kChunkDataOffset, job.data() + chunk * 5000, 5000);
      *reinterpret_cast<volatile int32_t*>(channel_.chunkBlock) = length;
      ASSERT_TRUE(SetEvent(channel_.chunkReadyEvent)) << "SetEvent failed: " << GetLastError();
      // The previous chunk's call may return now that this one is sent.
      if (chunk > 0) SetEvent(release);
      ASSERT_EQ(WaitForSingleObject(channel_.chunkConsumedEvent, 5000), static_cast<DWORD>(WAIT_OBJECT_0))
          << "chunk " << chunk << " not acknowledged while Java was in its call";
    }
    ASSERT_EQ(WaitForSingleObject(channel_.jobEvent, 5000), static_cast<DWORD>(WAIT_OBJECT_0)) << "no end of job";
    ASSERT_TRUE(AwaitJobEnds(1, kRelayTimeoutMs));
    EXPECT_EQ(JavaCalls(), c.calls);
    EXPECT_TRUE(SameBytes(jvm_->Received("header") + jvm_->Received("data"), job.substr(0, c.bytesInJava)));
  }
  ASSERT_TRUE(StopRelay());
  jvm_->Configure("hold_data", nullptr);
  jvm_->Configure("fail_new_byte_array_once", nullptr);
  CloseHandle(release);
}

// The answer to a chunk hands the Chunk block back to the producer: a
// producer that overwrites all of it at once must cost Java no byte, even
// when the copy into Java's arrays takes its time (copy_ms; a relay that
// answered first would have Java read the overwritten block, or a view it
// has unmapped).
TEST_F(RelayHandoff, ChunkBlockOverwrittenRightAfterEachAnswerCostsJavaNoByte) {
  const uint32_t chunkSizes[] = {5000, 65536, 1 << 20};
  jvm_->Configure("copy_ms", "3");
  OpenChannel();
  StartRelay();
  std::string header, data;
  for (uint32_t chunkSize : chunkSizes) {
    SCOPED_TRACE(chunkSize);
    std::string job = PatternBytes(3 * chunkSize + 77, chunkSize);
    ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
    for (size_t at = 0; at < job.size(); at += chunkSize) {
      uint32_t length = static_cast<uint32_t>(std::min<size_t>(chunkSize, job.size() - at));
      ASSERT_EQ(SendChunk(&channel_, job.data() + at, length, kRelayTimeoutMs), Delivery::kDone);
      memset(channel_.chunkBlock, 0xA5, kChunkDataOffset + channel_.chunkCapacity);
    }
    ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
    header += job.substr(0, 2048);
    data += job.substr(2048);
  }
  ASSERT_TRUE(StopRelay());
  const char* why = "a chunk was answered before its bytes were in Java's arrays";
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), header)) << why;
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), data)) << why;
}
