// The relay as the port monitor runs it, against what a misbehaving one or a
// stuck Java application does to it: jvmhost.exe relays into the stand-in
// Java runtime, which logs its events and writes what it receives to files;
// the test plays the port monitor through the producer library, or runs
// producer.exe.  No bad job may cost a later job its bytes, and no relay may
// outlive the producer that could feed it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
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

class RelayResilience : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    for (const char* name : {"LOG", "HEADER", "DATA"}) {
      std::string variable = std::string("FAKEJVM_") + name + "_FILE";
      SetEnvironmentVariableA(variable.c_str(), (install_.root() + "\\" + name).c_str());
    }
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
  Delivery Feed(const std::string& job) {
    JobPlan plan;
    plan.chunkSize = 16384;
    JobTally tally;
    return FeedJob(&channel_, Bytes(job), job.size(), plan, kDeliveryTimeoutMs, &tally);
  }
  // The Java calls and the threads leaving Java, once `line` has been logged
  // `count` times (a job's "writeEnd" follows its acknowledgement); empty
  // when it never was.
  std::vector<std::string> EventsOnce(const std::string& line, long count) const {
    for (ULONGLONG deadline = GetTickCount64() + kDeliveryTimeoutMs; GetTickCount64() < deadline; Sleep(20)) {
      std::istringstream log(ReadFileBytes(install_.root() + "\\LOG"));
      std::vector<std::string> events;
      for (std::string event; std::getline(log, event);) {
        if ((event.rfind("java ", 0) == 0 && event != "java getInstance") || event == "DetachCurrentThread") {
          events.push_back(event);
        }
      }
      if (std::count(events.begin(), events.end(), line) >= count) return events;
    }
    return {};
  }
  // What Java received against what the jobs hold: headers, then data.
  bool ReceivedExactly(const std::vector<std::string>& jobs) const {
    std::string header, data;
    for (const std::string& job : jobs) {
      header += job.substr(0, 2048);
      data += job.substr(2048);
    }
    return SameBytes(ReadFileBytes(install_.root() + "\\HEADER"), header) &&
           SameBytes(ReadFileBytes(install_.root() + "\\DATA"), data);
  }

  JavaInstall install_;
  ProducerChannel channel_ = {};
};

}  // namespace

TEST_F(RelayResilience, JobsWithAnUnusableChunkMappingEndAndLaterJobsArriveExactly) {
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
  // Several looks at the producer while idle: none may end the relay.
  EXPECT_EQ(WaitForSingleObject(channel_.relay, 4 * kProducerCheckMs + 500), static_cast<DWORD>(WAIT_TIMEOUT))
      << "an idle relay ended";
  ASSERT_EQ(Feed(job2), Delivery::kDone);
  std::vector<std::string> events = EventsOnce("DetachCurrentThread", 8);
  // Each broken job was begun and ended in Java, and its worker had left
  // Java before the next job began.
  ASSERT_GT(events.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + expected.size()), expected);
  EXPECT_EQ(events[expected.size()], "java runVelmo");
  EXPECT_EQ(std::count(events.begin(), events.end(), "java writeEnd"), 8);
  EXPECT_TRUE(ReceivedExactly({job1, job2}));
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

  std::vector<std::string> events = EventsOnce("DetachCurrentThread", 2);
  // The first worker never left Java; the later jobs ran on workers of
  // their own, and none of their bytes reached the first job.
  EXPECT_EQ(std::count(events.begin(), events.end(), "java runVelmo"), 3);
  EXPECT_EQ(std::count(events.begin(), events.end(), "java writeEnd"), 3);
  EXPECT_EQ(std::count(events.begin(), events.end(), "DetachCurrentThread"), 2);
  EXPECT_TRUE(ReceivedExactly({job1, job2, job3}));

  // A worker still in Java keeps the relay, producer or not: its process's
  // end would cut the Java call short.
  CloseProducerChannel(&channel_);
  EXPECT_EQ(WaitForSingleObject(channel_.relay, 3 * kProducerCheckMs + 500), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the relay ended under a worker still in Java";
}

TEST_F(RelayResilience, RelayEndsByItselfWhenTheProducerProcessHasEnded) {
  std::string path = install_.root() + "\\job.ps", job = PatternBytes(120000, 87);
  ASSERT_TRUE(WriteFileText(path, job));
  // With --keep-relay, producer.exe names the relay on its first line.
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
  PROCESS_INFORMATION producer = {};
  ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                             &producer))
      << "CreateProcessA failed: " << GetLastError();
  CloseHandle(writeEnd);
  CloseHandle(producer.hThread);
  char line[64] = {};
  DWORD read = 0;
  unsigned long relayId = 0;
  ReadFile(readEnd, line, sizeof line - 1, &read, nullptr);
  CloseHandle(readEnd);
  ASSERT_EQ(sscanf(line, "producer: relay process %lu", &relayId), 1) << line;
  channel_.relay = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, relayId);
  DWORD exitCode = 99;
  bool producerEnded = WaitForSingleObject(producer.hProcess, kDeliveryTimeoutMs) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(producer.hProcess, &exitCode) && exitCode == 0;
  if (!producerEnded) TerminateProcess(producer.hProcess, 99);
  CloseHandle(producer.hProcess);
  ASSERT_TRUE(producerEnded) << "producer.exe did not deliver its job (exit code " << exitCode << ")";

  ULONGLONG start = GetTickCount64();
  ASSERT_EQ(WaitForSingleObject(channel_.relay, 10 * kProducerCheckMs), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the relay outlived its producer";
  printf("relay ended %llu ms after its producer\n", GetTickCount64() - start);
  EXPECT_TRUE(GetExitCodeProcess(channel_.relay, &exitCode) && exitCode == 0) << exitCode;
  EXPECT_TRUE(ReceivedExactly({job}));
}

TEST_F(RelayResilience, ProducerThatEndsMidJobEndsTheJobAndThenTheRelay) {
  StartRelay();
  std::string sent = PatternBytes(40000, 88);
  ASSERT_EQ(BeginJob(&channel_), Delivery::kDone);
  ASSERT_EQ(SendChunk(&channel_, Bytes(sent), static_cast<uint32_t>(sent.size()), kDeliveryTimeoutMs),
            Delivery::kDone);
  // The port monitor's process ends before the end marker: its handles go.
  CloseProducerChannel(&channel_);

  ASSERT_EQ(WaitForSingleObject(channel_.relay, 10 * kProducerCheckMs), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the relay outlived a producer that ended mid-job";
  DWORD exitCode = 99;
  EXPECT_TRUE(GetExitCodeProcess(channel_.relay, &exitCode) && exitCode == 0) << exitCode;
  // What came was passed on, and the Java job was ended, not left open.
  EXPECT_EQ(EventsOnce("DetachCurrentThread", 1),
            (std::vector<std::string>{"java runVelmo", "java writeHeader 2048", "java writePSData 37952", "java writeEnd",
                                      "DetachCurrentThread"}));
  EXPECT_TRUE(ReceivedExactly({sent}));
}
