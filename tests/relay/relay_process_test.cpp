// The relay as the port monitor runs it: producer.exe starts jvmhost.exe on
// inherited handles and feeds it files; the stand-in Java application in
// jvmhost writes what it receives to files named by the environment.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/relay/relay_fixture.h"
#include "tests/support/java_install.h"

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
