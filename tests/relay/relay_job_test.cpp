// Print jobs through the in-process relay to the recording Java application:
// the order of Java calls, the header rule, and the bytes as received.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/relay/relay_fixture.h"

using RelayJob = RelayTest;
using Calls = std::vector<std::string>;

TEST_F(RelayJob, JobOfOnlyTheEndMarkerStartsAndEndsTheJavaJob) {
  OpenChannel();
  StartRelay();
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  Delivery end = EndJob(&channel_, kRelayTimeoutMs);
  EXPECT_EQ(end, Delivery::kDone) << DeliveryText(end);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeEnd"}));
}

TEST_F(RelayJob, FirstChunkOf2047BytesGivesTheWholeJobNoHeader) {
  OpenChannel();
  StartRelay();
  std::string first = PatternBytes(2047, 1), second = PatternBytes(4000, 2);
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, first.data(), 2047, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, second.data(), 4000, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writePSData 2047", "writePSData 4000", "writeEnd"}));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), first + second));
}

TEST_F(RelayJob, FirstChunkOfExactly2048BytesIsAllHeaderWithNoEmptyDataCall) {
  OpenChannel();
  StartRelay();
  std::string first = PatternBytes(2048, 3), second = PatternBytes(2048, 4);
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, first.data(), 2048, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, second.data(), 2048, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 2048", "writeEnd"}));
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), first));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), second));
}

TEST_F(RelayJob, FirstChunkOf5000BytesSplitsIntoHeaderAndData) {
  OpenChannel();
  StartRelay();
  std::string first = PatternBytes(5000, 5), second = PatternBytes(5000, 6);
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, first.data(), 5000, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, second.data(), 5000, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 2952", "writePSData 5000", "writeEnd"}));
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), first.substr(0, 2048)));
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), first.substr(2048) + second));
}

TEST_F(RelayJob, ZeroLengthChunksBeforeTheDataLeaveTheHeaderPending) {
  OpenChannel();
  StartRelay();
  std::string data = PatternBytes(3000, 7);
  JobPlan plan;
  plan.chunkSize = 3000;
  plan.zeroChunksFirst = 3;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(data), data.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  EXPECT_EQ(tally.chunks, 4u);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 952", "writeEnd"}));
  EXPECT_TRUE(SameBytes(jvm_->Received("header") + jvm_->Received("data"), data));
}

TEST_F(RelayJob, ZeroLengthChunksBetweenDataLoseNoChunk) {
  OpenChannel();
  StartRelay();
  std::string expected;
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  for (uint32_t i = 0; i < 40; ++i) {
    std::string piece = PatternBytes(100 + i, 100 + i);
    expected += piece;
    ASSERT_EQ(SendChunk(&channel_, piece.data(), static_cast<uint32_t>(piece.size()), kRelayTimeoutMs),
              Delivery::kDone);
    ASSERT_EQ(SendChunk(&channel_, nullptr, 0, kRelayTimeoutMs), Delivery::kDone);
  }
  ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(jvm_->EventsStartingWith("java writePSData").size(), 40u);
  EXPECT_TRUE(SameBytes(jvm_->Received("data"), expected));
}

TEST_F(RelayJob, SecondJobRunsOnANewThreadAttachedToTheRunningVm) {
  OpenChannel();
  StartRelay();
  std::string job1 = PatternBytes(3000, 8), job2 = PatternBytes(3000, 9);
  JobPlan plan;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job1), job1.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_EQ(FeedJob(&channel_, Bytes(job2), job2.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());

  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 952", "writeEnd", "runVelmo",
                                "writeHeader 2048", "writePSData 952", "writeEnd"}));
  EXPECT_EQ(jvm_->EventsStartingWith("CreateJavaVM").size(), 1u) << "the second job made a VM of its own";
  EXPECT_EQ(jvm_->EventsStartingWith("AttachCurrentThread").size(), 1u);
  std::vector<DWORD> threads = JobThreads();
  ASSERT_EQ(threads.size(), 2u);
  EXPECT_NE(threads[0], threads[1]);
  EXPECT_NE(threads[0], GetCurrentThreadId());
  EXPECT_EQ(jvm_->EventsStartingWith("DetachCurrentThread").size(), 2u);
  EXPECT_TRUE(SameBytes(jvm_->Received("header"), job1.substr(0, 2048) + job2.substr(0, 2048)));
}

TEST_F(RelayJob, EveryJavaCallOfAJobIsMadeOnItsWorkerThread) {
  OpenChannel();
  StartRelay();
  std::string job = PatternBytes(200000, 10);
  JobPlan plan;
  plan.chunkSize = 16384;
  JobTally tally;
  ASSERT_EQ(FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  std::vector<DWORD> threads = JobThreads();
  ASSERT_EQ(threads.size(), 1u);
  std::vector<std::string> events = jvm_->Events();
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].rfind("java ", 0) == 0) {
      EXPECT_EQ(jvm_->EventThread(static_cast<int>(i)), threads[0]) << events[i];
    }
  }
}

TEST_F(RelayJob, MultiMegabyteJobsArriveByteForByteAtManyChunkSizes) {
  OpenChannel(1 << 20);
  StartRelay();
  const uint32_t chunkSizes[] = {4093, 65536, 100003, 1 << 20};
  std::string expected;
  JobTally tally;
  for (uint32_t i = 0; i < 4; ++i) {
    std::string job = PatternBytes(3 * 1024 * 1024 + i * 777, 20 + i);
    expected += job;
    JobPlan plan;
    plan.chunkSize = chunkSizes[i];
    Delivery delivery = FeedJob(&channel_, Bytes(job), job.size(), plan, kRelayTimeoutMs, &tally);
    ASSERT_EQ(delivery, Delivery::kDone) << "chunk size " << chunkSizes[i] << ": " << DeliveryText(delivery);
  }
  ASSERT_TRUE(StopRelay());
  std::string received;
  // Each job's first 2048 bytes went to writeHeader: put them back in place.
  std::string header = jvm_->Received("header"), data = jvm_->Received("data");
  ASSERT_EQ(header.size(), 4u * 2048);
  size_t at = 0;
  for (uint32_t i = 0; i < 4; ++i) {
    size_t jobSize = 3 * 1024 * 1024 + i * 777;
    received += header.substr(i * 2048, 2048) + data.substr(at, jobSize - 2048);
    at += jobSize - 2048;
  }
  EXPECT_EQ(at, data.size());
  EXPECT_TRUE(SameBytes(received, expected));
  EXPECT_EQ(tally.bytes, expected.size());
}

TEST_F(RelayJob, ChunksOfVaryingSizesArriveInOrder) {
  OpenChannel(1 << 16);
  StartRelay();
  std::string job = PatternBytes(1500000, 30);
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  size_t at = 0;
  for (uint32_t i = 0; at < job.size(); ++i) {
    uint32_t length = static_cast<uint32_t>(std::min<size_t>((i * 7919u) % 65536u + 1, job.size() - at));
    ASSERT_EQ(SendChunk(&channel_, job.data() + at, length, kRelayTimeoutMs), Delivery::kDone) << "chunk " << i;
    at += length;
  }
  ASSERT_EQ(EndJob(&channel_, kRelayTimeoutMs), Delivery::kDone);
  ASSERT_TRUE(StopRelay());
  EXPECT_TRUE(SameBytes(jvm_->Received("header") + jvm_->Received("data"), job));
}

TEST_F(RelayJob, JobsBackToBackReachJavaOneWorkerAtATimeAndNoWorkerWithoutAJob) {
  // Each job's thread is started before its job begins; a slow writeEnd
  // shows whether the next one binds before the previous worker has left.
  jvm_->Configure("slow_end_ms", "150");
  OpenChannel();
  StartRelay();
  std::string job1 = PatternBytes(4096, 11), job2 = PatternBytes(0, 12), job3 = PatternBytes(5000, 13);
  JobPlan plan;
  JobTally tally;
  for (const std::string* job : {&job1, &job2, &job3}) {
    ASSERT_EQ(FeedJob(&channel_, Bytes(*job), job->size(), plan, kRelayTimeoutMs, &tally), Delivery::kDone);
  }
  ASSERT_TRUE(StopRelay());
  EXPECT_EQ(JavaCalls(), (Calls{"runVelmo", "writeHeader 2048", "writePSData 2048", "writeEnd", "runVelmo",
                                "writeEnd", "runVelmo", "writeHeader 2048", "writePSData 2952", "writeEnd"}));
  // From joining to leaving, one thread at a time; the worker waiting for a
  // fourth job when the relay ended never joined.
  std::vector<std::string> events = jvm_->Events();
  int inJava = 0, joined = 0;
  for (const std::string& event : events) {
    if (event.rfind("CreateJavaVM", 0) == 0 || event.rfind("AttachCurrentThread", 0) == 0) {
      ++joined;
      EXPECT_EQ(++inJava, 1) << "a worker joined while another was still in Java";
    } else if (event == "DetachCurrentThread") {
      --inJava;
    }
  }
  EXPECT_EQ(joined, 3);
  EXPECT_EQ(inJava, 0);
  EXPECT_EQ(JobThreads().size(), 3u);
}
