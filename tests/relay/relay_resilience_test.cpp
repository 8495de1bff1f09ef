// The relay as the port monitor runs it, against what a misbehaving one or a
// stuck Java application does to it: jvmhost.exe relays into the stand-in
// Java runtime, which logs its events and writes what it receives to files;
// the test plays the port monitor through the producer library, or runs
// producer.exe.  No bad job may cost a later job its bytes, and no relay may
// outlive the producer that could feed it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "relay/relay.h"
#include "tests/relay/relay_fixture.h"
#include "tests/support/java_install.h"
#include "tools/producer/print_producer.h"
#include "tools/producer/relay_process.h"

namespace {

// Long enough for a job that waits out the worker bound first.
constexpr DWORD kDeliveryTimeoutMs = kWorkerBoundMs + 20000;
// A relay without its producer ends at its next look, a second later.
constexpr DWORD kOrphanExitTimeoutMs = 10 * kProducerCheckMs;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

class RelayResilience : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    SetEnvironmentVariableA("FAKEJVM_LOG_FILE", (install_.root() + "\\events.log").c_str());
    SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", (install_.root() + "\\header.bin").c_str());
    SetEnvironmentVariableA("FAKEJVM_DATA_FILE", (install_.root() + "\\data.bin").c_str());
  }
  void TearDown() override {
    if (channel_.relay != nullptr) EndRelayProcess(&channel_, 10000, nullptr);
    CloseProducerChannel(&channel_);
    for (const char* name : {"FAKEJVM_LOG_FILE", "FAKEJVM_HEADER_FILE", "FAKEJVM_DATA_FILE", "FAKEJVM_HANG_END"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
  }

  // jvmhost.exe as the relay of a fresh channel that this test feeds.
  void StartRelay() {
    ASSERT_TRUE(OpenProducerChannel(&channel_, 65536, true)) << "OpenProducerChannel failed: " << GetLastError();
    ASSERT_TRUE(StartRelayProcess(JavaInstall::BuiltFile("jvmhost.exe"), &channel_, nullptr))
        << "jvmhost.exe not started: " << GetLastError();
  }
  Delivery Feed(const std::string& job, DWORD timeoutMs = kDeliveryTimeoutMs) {
    JobPlan plan;
    plan.chunkSize = 16384;
    JobTally tally;
    return FeedJob(&channel_, Bytes(job), job.size(), plan, timeoutMs, &tally);
  }
  // The stand-in's events: the Java calls and the threads leaving Java.
  std::vector<std::string> JavaCallsAndDetaches() const {
    std::vector<std::string> kept;
    for (const std::string& line : Lines(ReadFileBytes(install_.root() + "\\events.log"))) {
      if ((line.rfind("java ", 0) == 0 && line != "java getInstance") || line == "DetachCurrentThread") {
        kept.push_back(line);
      }
    }
    return kept;
  }
  // Polls the log until `line` has been logged `count` times: a job's
  // "writeEnd" follows its acknowledgement.
  bool AwaitEventCount(const std::string& line, long count) const {
    ULONGLONG deadline = GetTickCount64() + kDeliveryTimeoutMs;
    for (;;) {
      std::vector<std::string> events = JavaCallsAndDetaches();
      if (std::count(events.begin(), events.end(), line) >= count) return true;
      if (GetTickCount64() > deadline) return false;
      Sleep(20);
    }
  }
  std::string Received() const {
    return ReadFileBytes(install_.root() + "\\header.bin") + "|" + ReadFileBytes(install_.root() + "\\data.bin");
  }
  static std::string AsReceived(const std::vector<std::string>& jobs) {
    std::string header, data;
    for (const std::string& job : jobs) {
      header += job.substr(0, 2048);
      data += job.substr(2048);
    }
    return header + "|" + data;
  }

  JavaInstall install_;
  ProducerChannel channel_ = {};
};

}  // namespace

TEST_F(RelayResilience, JobsWithAnUnusableChunkMappingEndAndTheNextJobArrivesExactly) {
  StartRelay();
  const BrokenMapping kinds[] = {BrokenMapping::kZero,     BrokenMapping::kAllOnes,  BrokenMapping::kUnused,
                                 BrokenMapping::kEvent,    BrokenMapping::kReadOnly, BrokenMapping::kUncommitted};
  std::vector<std::string> expected;
  for (BrokenMapping kind : kinds) {
    Delivery delivery = FeedBrokenJob(&channel_, kind, 1000, kDeliveryTimeoutMs);
    ASSERT_EQ(delivery, Delivery::kDone) << BrokenMappingName(kind) << ": " << DeliveryText(delivery);
    expected.insert(expected.end(), {"java runVelmo", "java writeEnd", "DetachCurrentThread"});
  }
  std::string job1 = PatternBytes(200000, 80), job2 = PatternBytes(30000, 81);
  ASSERT_EQ(Feed(job1), Delivery::kDone) << "the job after the broken ones";
  ASSERT_EQ(Feed(job2), Delivery::kDone);
  ASSERT_TRUE(AwaitEventCount("DetachCurrentThread", 8)) << "a worker did not end";

  std::vector<std::string> events = JavaCallsAndDetaches();
  // Each broken job was begun and ended in Java, and its worker had left
  // Java before the next job began.
  ASSERT_GE(events.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + expected.size()), expected);
  EXPECT_EQ(events[expected.size()], "java runVelmo");
  EXPECT_EQ(std::count(events.begin(), events.end(), "java writeEnd"), 8);
  EXPECT_TRUE(Received() == AsReceived({job1, job2})) << "the good jobs did not arrive exactly";
}

TEST_F(RelayResilience, WriteEndThatNeverReturnsHoldsTheNextJobsOnlyForTheWorkerBound) {
  SetEnvironmentVariableA("FAKEJVM_HANG_END", "1");
  StartRelay();
  std::string job1 = PatternBytes(5000, 82), job2 = PatternBytes(100000, 83), job3 = PatternBytes(40000, 84);
  ASSERT_EQ(Feed(job1), Delivery::kDone);
  ULONGLONG start = GetTickCount64();
  ASSERT_EQ(Feed(job2), Delivery::kDone) << "the job after a stuck writeEnd";
  ULONGLONG job2Ms = GetTickCount64() - start;
  start = GetTickCount64();
  ASSERT_EQ(Feed(job3), Delivery::kDone);
  ULONGLONG job3Ms = GetTickCount64() - start;
  printf("job after the stuck one: %llu ms (worker bound %lu ms); the one after: %llu ms\n", job2Ms,
         static_cast<unsigned long>(kWorkerBoundMs), job3Ms);

  ASSERT_TRUE(AwaitEventCount("DetachCurrentThread", 2)) << "a later job's worker did not end";
  std::vector<std::string> events = JavaCallsAndDetaches();
  // The first worker never left Java; the later jobs ran on workers of
  // their own, and none of their bytes reached the first job.
  EXPECT_EQ(std::count(events.begin(), events.end(), "java runVelmo"), 3);
  EXPECT_EQ(std::count(events.begin(), events.end(), "java writeEnd"), 3);
  EXPECT_EQ(std::count(events.begin(), events.end(), "DetachCurrentThread"), 2);
  EXPECT_TRUE(Received() == AsReceived({job1, job2, job3})) << "the jobs did not arrive exactly";

  // A worker still in Java keeps the relay, producer or not: its process's
  // end would cut the Java call short.
  CloseProducerChannel(&channel_);
  EXPECT_EQ(WaitForSingleObject(channel_.relay, 3 * kProducerCheckMs + 500), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the relay ended under a worker still in Java";
}

TEST_F(RelayResilience, IdleRelayKeepsWaitingWhileItsProducerHoldsTheChannel) {
  StartRelay();
  std::string job1 = PatternBytes(3000, 85), job2 = PatternBytes(70000, 86);
  ASSERT_EQ(Feed(job1), Delivery::kDone);
  // Several looks at the producer while idle: none may end the relay.
  EXPECT_EQ(WaitForSingleObject(channel_.relay, 4 * kProducerCheckMs + 500), static_cast<DWORD>(WAIT_TIMEOUT))
      << "an idle relay ended";
  ASSERT_EQ(Feed(job2), Delivery::kDone) << "the relay no longer serves after being idle";
  EXPECT_TRUE(Received() == AsReceived({job1, job2}));

  // The producer lets go of every handle: nobody can signal the job event.
  HANDLE relay = channel_.relay;
  channel_.relay = nullptr;
  CloseProducerChannel(&channel_);
  EXPECT_EQ(WaitForSingleObject(relay, kOrphanExitTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the relay outlived its producer's handles";
  TerminateProcess(relay, 99);
  CloseHandle(relay);
}

TEST_F(RelayResilience, RelayEndsByItselfWhenTheProducerProcessHasEnded) {
  std::string path = install_.root() + "\\job.ps";
  std::string job = PatternBytes(120000, 87);
  ASSERT_TRUE(WriteFileText(path, job));
  // producer.exe prints the relay's process id at once with --keep-relay.
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) << "CreatePipe failed: " << GetLastError();
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::string program = JavaInstall::BuiltFile("producer.exe");
  std::string commandLine = "\"" + program + "\" --keep-relay \"" + path + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION producer = {};
  ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                             &producer))
      << "CreateProcessA failed: " << GetLastError();
  CloseHandle(writeEnd);
  CloseHandle(producer.hThread);

  // The first line names the relay; the pipe ends when producer.exe does.
  std::string output;
  HANDLE relay = nullptr;
  char buffer[256];
  DWORD read = 0;
  while (relay == nullptr && ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    output.append(buffer, read);
    unsigned long relayId = 0;
    if (output.find('\n') != std::string::npos &&
        sscanf(output.c_str(), "producer: relay process %lu", &relayId) == 1) {
      relay = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, relayId);
    }
  }
  CloseHandle(readEnd);
  bool producerEnded = WaitForSingleObject(producer.hProcess, kDeliveryTimeoutMs) == WAIT_OBJECT_0;
  DWORD producerExit = 99;
  if (producerEnded) GetExitCodeProcess(producer.hProcess, &producerExit);
  if (!producerEnded) TerminateProcess(producer.hProcess, 99);
  CloseHandle(producer.hProcess);
  ASSERT_NE(relay, nullptr) << "no relay process named: " << output;
  EXPECT_TRUE(producerEnded);
  EXPECT_EQ(producerExit, 0u);

  ULONGLONG start = GetTickCount64();
  bool relayEnded = WaitForSingleObject(relay, kOrphanExitTimeoutMs) == WAIT_OBJECT_0;
  printf("relay ended %llu ms after its producer\n", GetTickCount64() - start);
  DWORD relayExit = 99;
  if (relayEnded) GetExitCodeProcess(relay, &relayExit);
  if (!relayEnded) TerminateProcess(relay, 99);
  CloseHandle(relay);
  EXPECT_TRUE(relayEnded) << "the relay outlived its producer";
  EXPECT_EQ(relayExit, 0u);
  EXPECT_TRUE(Received() == AsReceived({job}));
}
