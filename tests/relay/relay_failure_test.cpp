// The relay when something fails: Java refusing bytes or a binding, a
// producer writing nonsense, handles that are no handles.  Nothing may hang,
// lose or invent data.
#include <string>
#include <vector>

#include "relay/relay.h"
#include "tests/relay/relay_fixture.h"
#include "tests/support/thread_times.h"

using RelayFailure = RelayTest;
using Calls = std::vector<std::string>;

TEST_F(RelayFailure, WritePSDataFailureEndsTheJavaJobOnceAndDrainsTheRest) {
  // Arrays: 1 header, 2 the rest of the first chunk, 3 the second chunk.
  jvm_->Configure("fail_new_byte_array", "3");
  OpenChannel();
  StartRelay();
  std::string job = PatternBytes(5000 * 5, 40);
  JobPlan plan;
  plan.chunkSize = 5000;
  JobTally tally;
  Delivery delivery = FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally);
  EXPECT_EQ(delivery, Delivery::kDone) << DeliveryText(delivery);
  EXPECT_EQ(tally.chunks, 5u) << "every chunk is acknowledged";
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 2952", "writeEnd"}));
}

TEST_F(RelayFailure, HeaderJavaCannotGetEndsTheJobLikeRefusedDataAndTheNextJobIsWhole) {
  // Array 1 is the header's: Java must not get the rest of the job without
  // it, although the heap takes the next arrays again.
  jvm_->Configure("fail_new_byte_array_once", "1");
  OpenChannel();
  StartRelay();
  std::string lost = PatternBytes(5000 * 4, 49), kept = PatternBytes(5000 * 2, 50);
  JobPlan plan;
  plan.chunkSize = 5000;
  JobTally tally;
  Delivery delivery = FeedJob(&channel_, Bytes(lost), lost.size(), plan, kRelayTimeoutMs, &tally);
  EXPECT_EQ(delivery, Delivery::kDone) << DeliveryText(delivery);
  EXPECT_EQ(tally.chunks, 4u) << "every chunk is acknowledged";
  ASSERT_TRUE(AwaitJobEnds(1, kRelayTimeoutMs));
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeEnd"}));

  ASSERT_EQ(FeedJob(&channel_, Bytes(kept), kept.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeEnd", "runVelmo", "writeHeader 2048", "writePSData 2952",
                                "writePSData 5000", "writeEnd"}));
  EXPECT_TRUE(SameBytes(jvm_->Received("header") + jvm_->Received("data"), kept));
}

TEST_F(RelayFailure, JobWhoseWorkerCannotBindIsAnsweredButNeverReportedDoneAndTheNextJobIsWhole) {
  // The switches of the stand-in, or the application home taken away (key
  // null).  The virtual machine's creation fails only for the process's
  // first job: that case comes first, and every later one attaches.
  struct Case {
    const char* key;
    const char* value;
  };
  const Case cases[] = {{"create_result", "-1"}, {"attach_result", "-1"},      {nullptr, nullptr},
                        {"no_class", "1"},       {"no_get_instance", "1"},    {"omit_method", "writeEnd"},
                        {"throw_from", "getInstance"}, {"null_instance", "1"}};
  OpenChannel();
  StartRelay();
  std::string header, data;
  Calls calls;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.key != nullptr ? c.key : "application home gone");
    if (c.key != nullptr) jvm_->Configure(c.key, c.value);
    if (c.key == nullptr) install_.RemoveAppHomeValue();
    // 0 to 2 chunks: an end marker alone waits for the binding's outcome.
    std::string lost = PatternBytes(3000 * (i % 3), 60 + static_cast<uint32_t>(i));
    ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
    for (uint32_t at = 0; at < lost.size(); at += 3000) {
      EXPECT_EQ(SendChunk(&channel_, lost.data() + at, 3000, kRelayTimeoutMs), Delivery::kDone) << "unanswered";
    }
    EXPECT_EQ(SendLengthOnly(&channel_, kChunkEndMarker, kRelayTimeoutMs), Delivery::kDone) << "end unanswered";
    EXPECT_EQ(WaitForSingleObject(channel_.jobEvent, 300), static_cast<DWORD>(WAIT_TIMEOUT))
        << "a job Java never saw was reported done";
    if (c.key != nullptr) jvm_->Configure(c.key, nullptr);
    if (c.key == nullptr) install_.SetAppHomeValue(install_.appHome());
    std::string kept = PatternBytes(3000, 70 + static_cast<uint32_t>(i));
    JobPlan plan;
    JobTally tally;
    ASSERT_EQ(FeedJob(&channel_, Bytes(kept), kept.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
    header += kept.substr(0, 2048);
    data += kept.substr(2048);
    calls.insert(calls.end(), {"runVelmo", "writeHeader 2048", "writePSData 952", "writeEnd"});
  }
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), calls) << "a job without a bridge reached Java";
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), header));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), data));
}

TEST_F(RelayFailure, SlowWriteEndOfOneJobNeverMeetsTheNextJob) {
  // writeEnd outlasts the end-of-job wait (100 ms): the next
  // job's worker must not get the slot while the old one still uses it.
  jvm_->Configure("slow_end_ms", "400");
  OpenChannel();
  StartRelay();
  std::string job1 = PatternBytes(3000, 44), job2 = PatternBytes(70000, 45);
  JobPlan plan;
  plan.chunkSize = 4096;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job1), job1.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_EQ(FeedJob(&channel_, Bytes(job2), job2.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  std::vector<std::string> events = jvm_->Events();
  size_t firstDetach = events.size(), secondAttach = events.size();
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i] == "DetachCurrentThread" && firstDetach == events.size()) firstDetach = i;
    if (events[i].rfind("AttachCurrentThread", 0) == 0) secondAttach = i;
  }
  ASSERT_LT(secondAttach, events.size()) << "no second worker attached";
  EXPECT_LT(firstDetach, secondAttach) << "the second job's worker started before the first had ended";
  EXPECT_EQ(jvm_->EventsStartingWith("java writeEnd").size(), 2u);
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), job1.substr(0, 2048) + job2.substr(0, 2048)));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), job1.substr(2048) + job2.substr(2048)));
}

TEST_F(RelayFailure, LengthBelowMinusOneIsAcknowledgedAndSkipped) {
  OpenChannel();
  StartRelay();
  std::string job = PatternBytes(9000, 46);
  JobPlan plan;
  plan.chunkSize = 3000;
  plan.sendBadLength = true;
  plan.badLength = -2;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 952", "writePSData 3000",
                                "writePSData 3000", "writeEnd"}));
  EXPECT_TRUE(SameBytes(jvm_->Received("header") + jvm_->Received("data"), job));
}

TEST_F(RelayFailure, LengthPastTheMappedViewIsAcknowledgedAndSkipped) {
  OpenChannel(4096);
  StartRelay();
  std::string job = PatternBytes(8192, 47);
  JobPlan plan;
  plan.chunkSize = 4096;
  plan.sendBadLength = true;
  // The mapping holds 4100 bytes, its view two pages: 8189 bytes of data
  // would end one byte past the view.
  plan.badLength = 8189;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  plan.badLength = INT32_MAX;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(jvm_->EventsStartingWith("java writePSData").size(), 4u);
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), job.substr(0, 2048) + job.substr(0, 2048)));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), job.substr(2048) + job.substr(2048)));
}

TEST_F(RelayFailure, JobEventZeroEndsTheRelayAtOnce) {
  OpenChannel();
  WriteControlField(offsetof(ControlBlock, jobEvent), 0);
  StartRelay();
  bool result = false;
  ASSERT_TRUE(AwaitRelayReturn(kRelayTimeoutMs, &result)) << "the relay did not return";
  EXPECT_TRUE(result);
  EXPECT_TRUE(jvm_->EventsStartingWith("CreateJavaVM").empty()) << "a worker was started";
}

TEST_F(RelayFailure, JobEventAllOnesEndsTheRelayAtOnce) {
  OpenChannel();
  WriteControlField(offsetof(ControlBlock, jobEvent), ~0ull);
  StartRelay();
  bool result = false;
  ASSERT_TRUE(AwaitRelayReturn(kRelayTimeoutMs, &result)) << "the relay did not return";
  EXPECT_TRUE(result);
  EXPECT_TRUE(jvm_->EventsStartingWith("CreateJavaVM").empty()) << "a worker was started";
}

TEST_F(RelayFailure, JobEventThatIsNoHandleEndsTheRelayWithoutAJavaJob) {
  OpenChannel();
  // A value no handle table holds: the wait on it fails.
  WriteControlField(offsetof(ControlBlock, jobEvent), 0x7FFFFFC);
  StartRelay();
  bool result = false;
  ASSERT_TRUE(AwaitRelayReturn(kRelayTimeoutMs, &result)) << "the relay did not return";
  EXPECT_TRUE(result);
  EXPECT_EQ(JavaCalls(), Calls{});
}

TEST_F(RelayFailure, ControlMappingThatCannotBeMappedReturnsFalse) {
  HANDLE notAMapping = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(notAMapping, nullptr) << "CreateEventA failed: " << GetLastError();
  StartRelayOn(reinterpret_cast<uintptr_t>(notAMapping));
  bool result = true;
  ASSERT_TRUE(AwaitRelayReturn(kRelayTimeoutMs, &result)) << "the relay did not return";
  EXPECT_FALSE(result);
  EXPECT_EQ(WaitForSingleObject(notAMapping, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "something was signalled";
  CloseHandle(notAMapping);
}

TEST_F(RelayFailure, FailedWaitForAChunkEndsTheJobWithoutSpinning) {
  OpenChannel();
  HANDLE chunkReady = channel_.chunkReadyEvent;
  WriteControlField(offsetof(ControlBlock, chunkReadyEvent), 0);
  StartRelay();
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  ASSERT_TRUE(AwaitJobEnds(1, kRelayTimeoutMs)) << "the broken job was not ended";
  double cpuBefore = ThreadCpuMs(relayThread_);
  Sleep(500);
  double cpuAfter = ThreadCpuMs(relayThread_);
  EXPECT_LT(cpuAfter - cpuBefore, 100.0) << "the relay spins after a failed wait";

  // The next job reads the Control block afresh.
  WriteControlField(offsetof(ControlBlock, chunkReadyEvent), reinterpret_cast<uintptr_t>(chunkReady));
  std::string job = PatternBytes(1000, 48);
  JobPlan plan;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeEnd", "runVelmo", "writePSData 1000", "writeEnd"}));
}

TEST_F(RelayFailure, WorkerLetGoPastTheBoundHasItsThreadHandleClosedOnceItEnds) {
  OpenChannel();
  StartRelay();
  std::string job1 = PatternBytes(3000, 51), job2 = PatternBytes(3000, 52);
  JobPlan plan;
  JobTally tally;
  // The first job's writeEnd outlasts the worker bound, then returns.
  jvm_->Configure("slow_end_ms", std::to_string(kWorkerBoundMs + 1500).c_str());
  ASSERT_EQ(FeedJob(&channel_, Bytes(job1), job1.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(AwaitJobEnds(1, kRelayTimeoutMs));
  jvm_->Configure("slow_end_ms", nullptr);
  DWORD before = 0, after = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before)) << "GetProcessHandleCount failed: " << GetLastError();
  ASSERT_EQ(FeedJob(&channel_, Bytes(job2), job2.size(), plan, 2 * kRelayTimeoutMs, &tally), Delivery::kDone);
  // Both workers end; the relay, idle, looks at its workers every second.
  std::vector<DWORD> threads = JobThreads();
  ASSERT_EQ(threads.size(), 2u);
  for (DWORD id : threads) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    if (thread != nullptr) {
      EXPECT_EQ(WaitForSingleObject(thread, kRelayTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
      CloseHandle(thread);
    }
  }
  Sleep(2 * kProducerCheckMs + 500);
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
  // One worker's thread handle is held at either count: the current job's.
  EXPECT_EQ(after, before) << "thread handles of ended workers are still held";
  ASSERT_TRUE(StopRelay());
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), job1.substr(0, 2048) + job2.substr(0, 2048)));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), job1.substr(2048) + job2.substr(2048)));
}

TEST_F(RelayFailure, LateChunkOfABrokenJobIsAnsweredAndNeverReachesTheNextJob) {
  OpenChannel();
  StartRelay();
  std::string header, data;
  for (uint32_t round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(FeedBrokenJob(&channel_, BrokenMapping::kZero, 1000, kRelayTimeoutMs), Delivery::kDone);
    // The broken job's next chunk comes long after, its mapping readable.
    Sleep(1500);
    std::string late = PatternBytes(4096, 53 + round), job = PatternBytes(9000, 55 + round);
    EXPECT_EQ(SendChunk(&channel_, late.data(), 4096, 3000), Delivery::kDone) << "the late chunk went unanswered";
    // What a producer that gave up on that chunk does before its next job.
    ResetEvent(channel_.chunkConsumedEvent);
    ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
    Sleep(200);
    for (uint32_t at = 0; at < job.size(); at += 3000) {
      ASSERT_EQ(SendChunk(&channel_, job.data() + at, 3000, kRelayTimeoutMs), Delivery::kDone);
    }
    ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
    header += job.substr(0, 2048);
    data += job.substr(2048);
  }
  ASSERT_TRUE(StopRelay());
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), header));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), data));
}
