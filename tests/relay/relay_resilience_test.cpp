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
    NameJavaFiles();
  }
  // The files the stand-in Java application writes, named afresh for each
  // case: a process of an earlier case (a child of Java) may still hold one.
  void NameJavaFiles() {
    for (const char* name : {"LOG", "HEADER", "DATA"}) {
      std::string variable = std::string("FAKEJVM_") + name + "_FILE";
      SetEnvironmentVariableA(variable.c_str(), JavaFile(name).c_str());
    }
  }
  std::string JavaFile(const char* name) const { return install_.root() + "\\" + name + std::to_string(case_); }
  void TearDown() override {
    if (channel_.relay != nullptr) EndRelayProcess(&channel_, 10000, nullptr);
    CloseProducerChannel(&channel_);
    for (const char* name : {"FAKEJVM_LOG_FILE", "FAKEJVM_HEADER_FILE", "FAKEJVM_DATA_FILE", "FAKEJVM_HANG_END"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
  }

  // jvmhost.exe as the relay of a fresh channel that this test feeds; name:
  // the objects' names, for a producer that opens them by name.
  void StartRelay(const char* name = nullptr) {
    ASSERT_TRUE(OpenProducerChannel(&channel_, 65536, true, name)) << "OpenProducerChannel failed: " << GetLastError();
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
      std::istringstream log(ReadFileBytes(JavaFile("LOG")));
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
    return SameBytes(ReadFileBytes(JavaFile("HEADER")), header) &&
           SameBytes(ReadFileBytes(JavaFile("DATA")), data);
  }

  // Ends the relay and forgets what Java received, for the next case.
  void EndCase() {
    if (channel_.relay != nullptr) EndRelayProcess(&channel_, 10000, nullptr);
    CloseProducerChannel(&channel_);
    ++case_;
    NameJavaFiles();
  }
  // producer.exe with --keep-relay and `arguments`, run to its end; the
  // relay's process, left running, becomes channel_.relay.
  void RunProducerKeepingRelay(const std::string& arguments) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) << "CreatePipe failed: " << GetLastError();
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string program = JavaInstall::BuiltFile("producer.exe");
    std::string commandLine = "\"" + program + "\" --keep-relay " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    PROCESS_INFORMATION producer = {};
    BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &producer);
    CloseHandle(writeEnd);
    if (!started) CloseHandle(readEnd);
    ASSERT_TRUE(started) << "CreateProcessA failed: " << GetLastError();
    CloseHandle(producer.hThread);
    // With --keep-relay, producer.exe names the relay on its first line.
    char line[64] = {};
    DWORD read = 0;
    unsigned long relayId = 0;
    ReadFile(readEnd, line, sizeof line - 1, &read, nullptr);
    CloseHandle(readEnd);
    if (sscanf(line, "producer: relay process %lu", &relayId) == 1) {
      channel_.relay = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, relayId);
    }
    DWORD exitCode = 99;
    bool producerEnded = WaitForSingleObject(producer.hProcess, kDeliveryTimeoutMs) == WAIT_OBJECT_0 &&
                         GetExitCodeProcess(producer.hProcess, &exitCode) && exitCode == 0;
    if (!producerEnded) TerminateProcess(producer.hProcess, 99);
    CloseHandle(producer.hProcess);
    ASSERT_NE(channel_.relay, nullptr) << "no relay named: " << line;
    ASSERT_TRUE(producerEnded) << "producer.exe did not deliver (exit code " << exitCode << ")";
  }

  JavaInstall install_;
  ProducerChannel channel_ = {};
  int case_ = 0;
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

TEST_F(RelayResilience, RelayEndsWithinSecondsOfItsProducerProcessEvenUnderAChildOfJava) {
  std::string path = install_.root() + "\\job.ps", job = PatternBytes(120000, 87);
  ASSERT_TRUE(WriteFileText(path, job));
  struct Case {
    const char* what;
    std::string arguments;
    std::vector<std::string> events;
    std::string received;
  };
  // The Java application starts a long-lived child that inherits every
  // inheritable handle of jvmhost: the producer's must not be among them.
  SetEnvironmentVariableA("FAKEJVM_CHILD_COMMAND", "C:\\windows\\system32\\ping.exe -n 60 127.0.0.1");
  const Case cases[] = {
      {"after its job", "\"" + path + "\"",
       {"java runVelmo", "java writeHeader 2048", "java writePSData 63488", "java writePSData 54464", "java writeEnd",
        "DetachCurrentThread"},
       job},
      // No end marker: the job is ended, its Java job with it.
      {"in the middle of a job", "--end-mid-job --chunk 40000 \"" + path + "\"",
       {"java runVelmo", "java writeHeader 2048", "java writePSData 37952", "java writeEnd", "DetachCurrentThread"},
       job.substr(0, 40000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunProducerKeepingRelay(c.arguments);
    if (HasFatalFailure()) break;
    ULONGLONG start = GetTickCount64();
    DWORD ended = WaitForSingleObject(channel_.relay, 10 * kProducerCheckMs);
    printf("%s: relay ended %llu ms after its producer\n", c.what, GetTickCount64() - start);
    std::string log = ReadFileBytes(JavaFile("LOG"));
    unsigned long child = 0;
    size_t at = log.rfind("\nchild ");
    if (at != std::string::npos) child = strtoul(log.c_str() + at + 7, nullptr, 10);
    HANDLE childProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child);
    EXPECT_NE(childProcess, nullptr) << "the Java application's child did not start: " << log;
    EXPECT_EQ(ended, static_cast<DWORD>(WAIT_OBJECT_0)) << "the relay outlived its producer";
    if (childProcess != nullptr) {
      EXPECT_EQ(WaitForSingleObject(childProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the child ended first";
      TerminateProcess(childProcess, 0);
      // Its inherited copies of files (Java's log among them) go with it.
      WaitForSingleObject(childProcess, 10000);
      CloseHandle(childProcess);
    }
    DWORD exitCode = 99;
    EXPECT_TRUE(GetExitCodeProcess(channel_.relay, &exitCode) && exitCode == 0) << exitCode;
    EXPECT_EQ(EventsOnce("DetachCurrentThread", 1), c.events);
    EXPECT_TRUE(ReceivedExactly({c.received}));
    EndCase();
  }
  SetEnvironmentVariableA("FAKEJVM_CHILD_COMMAND", nullptr);
}

TEST_F(RelayResilience, ProducerThatKeepsNoHandleBetweenJobsKeepsItsRelay) {
  char name[64];
  snprintf(name, sizeof name, "Local\\relay-test-%lu", GetCurrentProcessId());
  StartRelay(name);
  std::string job1 = PatternBytes(70000, 89), job2 = PatternBytes(3000, 90);
  // The relay holds the only handles between jobs; this process, which
  // started it, lives on.
  for (const std::string* job : {&job1, &job2}) {
    LetGoOfProducerChannel(&channel_);
    ASSERT_EQ(WaitForSingleObject(channel_.relay, 5000), static_cast<DWORD>(WAIT_TIMEOUT)) << "the relay ended";
    ASSERT_TRUE(ReopenProducerChannel(&channel_)) << "the objects are gone: " << GetLastError();
    ASSERT_EQ(Feed(*job), Delivery::kDone);
  }
  std::vector<std::string> events = EventsOnce("java writeEnd", 2);
  EXPECT_EQ(std::count(events.begin(), events.end(), "java runVelmo"), 2);
  EXPECT_EQ(WaitForSingleObject(channel_.relay, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the relay ended";
  EXPECT_TRUE(ReceivedExactly({job1, job2}));
}

TEST_F(RelayResilience, ProducersThatTakeTheEndOfJobSignalLateOrNeverGetEveryJobOnce) {
  for (int late : {200, 1000, kNeverTakesEndSignal}) {
    SCOPED_TRACE(late);
    StartRelay();
    channel_.endSignalLateMs = late;
    std::vector<std::string> jobs = {PatternBytes(30000, 91), PatternBytes(2500, 92), PatternBytes(70000, 93)};
    for (const std::string& job : jobs) EXPECT_EQ(Feed(job), Delivery::kDone);
    std::vector<std::string> events = EventsOnce("DetachCurrentThread", 3);
    // A Java job nobody sent would begin within the pause of old (50 ms).
    Sleep(500);
    events = EventsOnce("DetachCurrentThread", 3);
    EXPECT_EQ(std::count(events.begin(), events.end(), "java runVelmo"), 3);
    EXPECT_EQ(std::count(events.begin(), events.end(), "java writeEnd"), 3);
    EXPECT_TRUE(ReceivedExactly(jobs));
    EndCase();
  }
}

TEST_F(RelayResilience, SignalsOfAJobEndedAtAnUnreadableMappingNeverReachTheNextJob) {
  StartRelay();
  std::vector<std::string> jobs;
  std::string rest = PatternBytes(65536, 94);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    BrokenMapping kind = round % 2 == 0 ? BrokenMapping::kUncommitted : BrokenMapping::kZero;
    ASSERT_EQ(FeedBrokenJob(&channel_, kind, 1000, kDeliveryTimeoutMs), Delivery::kDone);
    // The producer goes on with the broken job, its mapping readable again:
    // every signal is answered, none read, and no end of job comes.
    EXPECT_EQ(SendChunk(&channel_, Bytes(rest), 65536, kDeliveryTimeoutMs), Delivery::kDone);
    EXPECT_EQ(SendChunk(&channel_, Bytes(rest), 4096, kDeliveryTimeoutMs), Delivery::kDone);
    EXPECT_EQ(SendLengthOnly(&channel_, kChunkEndMarker, kDeliveryTimeoutMs), Delivery::kDone);
    EXPECT_EQ(WaitForSingleObject(channel_.jobEvent, 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "a broken job ended";
    jobs.push_back(PatternBytes(20000 + 7000 * round, 95 + round));
    ASSERT_EQ(Feed(jobs.back()), Delivery::kDone);
  }
  std::vector<std::string> events = EventsOnce("DetachCurrentThread", 8);
  EXPECT_EQ(std::count(events.begin(), events.end(), "java runVelmo"), 8);
  EXPECT_TRUE(ReceivedExactly(jobs));
}

TEST_F(RelayResilience, WorkerThreadNotMadeCostsNoJobAndNoJobIsDoneWithoutAWorker) {
  // Thread starts: 1 for the first job, 2 started ahead for the second while
  // the relay is idle, then its replacement as the second job begins.
  struct Case {
    const char* refusedStarts;
    bool secondJobDone;
  };
  for (const Case& c : {Case{"2", true}, Case{"2,3", false}}) {
    SCOPED_TRACE(c.refusedStarts);
    SetEnvironmentVariableA(WORKER_THREAD_FAULT_SWITCH, c.refusedStarts);
    StartRelay();
    SetEnvironmentVariableA(WORKER_THREAD_FAULT_SWITCH, nullptr);
    std::vector<std::string> jobs = {PatternBytes(30000, 100), PatternBytes(20000, 101), PatternBytes(10000, 102)};
    ASSERT_EQ(Feed(jobs[0]), Delivery::kDone);
    // Idle, as when the thread start failed in the field.
    Sleep(300);
    JobPlan plan;
    plan.chunkSize = 16384;
    JobTally tally;
    Delivery second = FeedJob(&channel_, Bytes(jobs[1]), jobs[1].size(), plan, 3000, &tally);
    EXPECT_EQ(second == Delivery::kDone, c.secondJobDone) << DeliveryText(second);
    EXPECT_EQ(tally.chunks, 2u) << "every chunk is answered";
    ASSERT_EQ(Feed(jobs[2]), Delivery::kDone);
    if (!c.secondJobDone) jobs.erase(jobs.begin() + 1);
    std::vector<std::string> events = EventsOnce("DetachCurrentThread", static_cast<long>(jobs.size()));
    EXPECT_EQ(std::count(events.begin(), events.end(), "java runVelmo"), static_cast<long>(jobs.size()));
    EXPECT_TRUE(ReceivedExactly(jobs));
    EndCase();
  }
}
