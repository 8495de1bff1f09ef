// The relay as the port monitor runs it: producer.exe starts jvmhost.exe on
// inherited handles and feeds it files; the stand-in Java application in
// jvmhost writes what it receives to files named by the environment.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/relay/relay_fixture.h"
#include "tests/support/java_install.h"
#include "tools/producer/relay_process.h"

namespace {

constexpr DWORD kProcessTimeoutMs = 90000;

struct ProgramRun {
  bool ended = false;
  DWORD exitCode = 0;
};

ProgramRun RunProducer(const std::string& arguments) {
  ProgramRun run;
  std::string program = JavaInstall::BuiltFile("producer.exe");
  std::string commandLine = "\"" + program + "\" " + arguments;
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "CreateProcessA failed: " << GetLastError();
    return run;
  }
  CloseHandle(process.hThread);
  run.ended = WaitForSingleObject(process.hProcess, kProcessTimeoutMs) == WAIT_OBJECT_0;
  if (run.ended) {
    GetExitCodeProcess(process.hProcess, &run.exitCode);
  } else {
    TerminateProcess(process.hProcess, 99);
  }
  CloseHandle(process.hProcess);
  return run;
}

class RelayProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    headerFile_ = install_.root() + "\\header.bin";
    dataFile_ = install_.root() + "\\data.bin";
    SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", headerFile_.c_str());
    SetEnvironmentVariableA("FAKEJVM_DATA_FILE", dataFile_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", nullptr);
    SetEnvironmentVariableA("FAKEJVM_DATA_FILE", nullptr);
    // jvmhost's binding created its private key below the user's own.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
  }
  std::string WriteJob(const std::string& name, const std::string& bytes) {
    std::string path = install_.root() + "\\" + name;
    EXPECT_TRUE(WriteFileText(path, bytes)) << "cannot write " << path;
    return path;
  }

  JavaInstall install_;
  std::string headerFile_;
  std::string dataFile_;
};

}  // namespace

TEST_F(RelayProcess, ProducerFeedsJvmhostAcrossProcessesByteForByte) {
  std::string job1 = PatternBytes(1500000, 60), job2 = PatternBytes(700001, 61);
  std::string path1 = WriteJob("job1.ps", job1), path2 = WriteJob("job2.ps", job2);
  ProgramRun run = RunProducer("--chunk 65536 --zero-chunks 2 \"" + path1 + "\" \"" + path2 + "\"");
  ASSERT_TRUE(run.ended) << "producer.exe did not end";
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(SameBytes(ReadFileBytes(headerFile_), job1.substr(0, 2048) + job2.substr(0, 2048)));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dataFile_), job1.substr(2048) + job2.substr(2048)));
}

// The Java application of a relay loads the runtime's native library by full
// path on binding; the library imports a DLL that ships only in bin.
TEST_F(RelayProcess, RuntimesNativeLibraryFindsWhatItImportsInBin) {
  JavaInstall::AddNativeLibrary(install_.appHome() + "\\jre");
  std::string log = install_.root() + "\\java.log";
  SetEnvironmentVariableA("FAKEJVM_LOG_FILE", log.c_str());
  SetEnvironmentVariableA("FAKEJVM_NATIVE_LIBRARY", "awt.dll");
  std::string job = PatternBytes(100000, 66);
  ProgramRun run = RunProducer("--chunk 65536 \"" + WriteJob("job.ps", job) + "\"");
  SetEnvironmentVariableA("FAKEJVM_NATIVE_LIBRARY", nullptr);
  SetEnvironmentVariableA("FAKEJVM_LOG_FILE", nullptr);
  ASSERT_TRUE(run.ended) << "producer.exe did not end";
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(SameBytes(ReadFileBytes(headerFile_) + ReadFileBytes(dataFile_), job));
  std::string record = ReadFileBytes(log);
  EXPECT_NE(record.find("java System.load awt.dll ok\n"), std::string::npos) << record;
}

TEST_F(RelayProcess, ProducerSurvivesMalformedLengthsAndEmptyJobs) {
  std::string job = PatternBytes(300000, 62);
  std::string path = WriteJob("job.ps", job);
  ProgramRun run = RunProducer("--chunk 4096 --bad-length 1000000 --empty-jobs 2 \"" + path + "\"");
  ASSERT_TRUE(run.ended) << "producer.exe did not end";
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(SameBytes(ReadFileBytes(headerFile_) + ReadFileBytes(dataFile_), job));
}

TEST_F(RelayProcess, ProducerFailsFastWhenTheRelayProcessEnds) {
  std::string path = WriteJob("job.ps", PatternBytes(1000, 63));
  // producer.exe in the relay's place reads the handle value as a file name,
  // fails and ends: nobody answers the first job.
  ProgramRun run = RunProducer("--timeout 60000 --jvmhost \"" + JavaInstall::BuiltFile("producer.exe") + "\" \"" +
                               path + "\"");
  ASSERT_TRUE(run.ended) << "producer.exe waited for a relay that had ended";
  EXPECT_EQ(run.exitCode, 4u);
}

TEST_F(RelayProcess, RuntimeChangedBetweenJobsLeavesTheVmAndTheRelayAlive) {
  // Both installs exist before the relay starts (the fixture clears the
  // registry values it takes over); the registry names the first.
  JavaInstall updated;
  install_.SetAppHomeValue(install_.appHome());
  std::string log = install_.root() + "\\java.log";
  SetEnvironmentVariableA("FAKEJVM_LOG_FILE", log.c_str());
  ProducerChannel channel = {};
  ASSERT_TRUE(OpenProducerChannel(&channel, 65536, true)) << "OpenProducerChannel failed: " << GetLastError();
  DWORD relayId = 0;
  ASSERT_TRUE(StartRelayProcess(JavaInstall::BuiltFile("jvmhost.exe"), &channel, &relayId));

  std::string job1 = PatternBytes(200000, 64), job2 = PatternBytes(90000, 65);
  JobTally tally;
  EXPECT_EQ(FeedJob(&channel, Bytes(job1), job1.size(), JobPlan(), kProcessTimeoutMs, &tally), Delivery::kDone);
  // A product update between two jobs: the registry now names another
  // application home with its own copy of the runtime.
  updated.MakeStandardInstall();
  Delivery second = FeedJob(&channel, Bytes(job2), job2.size(), JobPlan(), kProcessTimeoutMs, &tally);
  EXPECT_EQ(second, Delivery::kDone) << DeliveryText(second);
  // The worker calls writeEnd after the intake has answered the end marker.
  for (DWORD waited = 0; waited < kProcessTimeoutMs; waited += 20) {
    std::string record = ReadFileBytes(log);
    if (record.find("java writeEnd") != record.rfind("java writeEnd")) break;
    Sleep(20);
  }
  EXPECT_EQ(WaitForSingleObject(channel.relay, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the relay process ended";
  DWORD exitCode = 0;
  EXPECT_TRUE(EndRelayProcess(&channel, kProcessTimeoutMs, &exitCode));
  CloseProducerChannel(&channel);
  SetEnvironmentVariableA("FAKEJVM_LOG_FILE", nullptr);

  std::string record = ReadFileBytes(log);
  auto count = [&record](const std::string& line) {
    size_t found = 0;
    for (size_t at = record.find(line); at != std::string::npos; at = record.find(line, at + 1)) ++found;
    return found;
  };
  EXPECT_EQ(count("CreateJavaVM"), 1u) << record;
  EXPECT_EQ(count("AttachCurrentThread result=0"), 1u) << "the second job joins the same VM";
  EXPECT_EQ(count("java writeEnd"), 2u);
  EXPECT_EQ(count("VIOLATION"), 0u) << record;
  EXPECT_TRUE(SameBytes(ReadFileBytes(headerFile_), job1.substr(0, 2048) + job2.substr(0, 2048)));
  EXPECT_TRUE(SameBytes(ReadFileBytes(dataFile_), job1.substr(2048) + job2.substr(2048)));
}

TEST_F(RelayProcess, ProducerLetsTheRelayEndOnlyOnceTheLastJobIsDoneInJava) {
  // writeEnd follows the end-of-job signal; ending the relay's process then
  // would cut it short.
  std::string log = install_.root() + "\\java.log";
  SetEnvironmentVariableA("FAKEJVM_LOG_FILE", log.c_str());
  SetEnvironmentVariableA("FAKEJVM_SLOW_END_MS", "300");
  ProgramRun run = RunProducer("\"" + WriteJob("job.ps", PatternBytes(100000, 67)) + "\"");
  SetEnvironmentVariableA("FAKEJVM_SLOW_END_MS", nullptr);
  SetEnvironmentVariableA("FAKEJVM_LOG_FILE", nullptr);
  ASSERT_TRUE(run.ended) << "producer.exe did not end";
  EXPECT_EQ(run.exitCode, 0u);
  std::string record = ReadFileBytes(log);
  size_t writeEnd = record.find("java writeEnd\n");
  ASSERT_NE(writeEnd, std::string::npos) << record;
  EXPECT_NE(record.find("DetachCurrentThread", writeEnd), std::string::npos) << "writeEnd was cut short: " << record;
}
