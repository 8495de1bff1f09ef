// jvmhost's failure traces in print-relay mode, read as a debugger reads
// them while a job is fed through the real protocol.
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "tests/support/java_install.h"
#include "tests/support/runtime_registrations.h"
#include "tools/producer/print_producer.h"

namespace {

constexpr DWORD kWaitMs = 30000;

class RelayTraces : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    ASSERT_TRUE(OpenProducerChannel(&channel_, 65536, true)) << "OpenProducerChannel failed: " << GetLastError();
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override {
    for (const char* name : {"FAKEJVM_THROW_FROM", "FAKEJVM_CREATE_RESULT", "FAKEJVM_HEADER_FILE", "FAKEJVM_DATA_FILE",
                             "FAKEJVM_FAIL_NEW_BYTE_ARRAY_ONCE", "FAKEJVM_JAVA_VERSION"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
    CloseProducerChannel(&channel_);
    CloseHandle(stop_);
  }

  // Runs jvmhost.exe as the relay of the channel, feeds one job of `size`
  // bytes as planned (each wait bounded by feedMs), then ends the relay;
  // returns its trace lines.
  std::vector<std::string> TracesOfOneJob(size_t size, const JobPlan& plan, Delivery* delivery,
                                          DWORD feedMs = kWaitMs) {
    std::string program = JavaInstall::BuiltFile("jvmhost.exe");
    std::string commandLine =
        "\"" + program + "\" " + std::to_string(reinterpret_cast<uintptr_t>(channel_.controlMapping));
    DebuggeeRun run;
    std::thread debugger([&] { run = RunAsDebuggee(commandLine, 4 * kWaitMs, true, stop_); });
    std::string job(size, '\0');
    for (size_t i = 0; i < size; ++i) job[i] = static_cast<char>(i * 7);
    JobTally tally;
    *delivery = FeedJob(&channel_, reinterpret_cast<const unsigned char*>(job.data()), job.size(), plan, feedMs,
                        &tally);
    SetEvent(stop_);
    debugger.join();
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.stopped) << "the relay ended by itself";
    return run.debugLines;
  }

  JavaInstall install_;
  ProducerChannel channel_ = {};
  HANDLE stop_ = nullptr;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace

TEST_F(RelayTraces, CleanJobLeavesNoTrace) {
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(300000, JobPlan(), &delivery);
  EXPECT_EQ(delivery, Delivery::kDone);
  EXPECT_TRUE(lines.empty()) << Joined(lines);
}

// Its chunks are answered, its end gets no job event: the producer's wait
// for it times out.
TEST_F(RelayTraces, WorkerWithoutJavaTracesTheMissingHomeAndTheJobNotDelivered) {
  install_.RemoveAppHomeValue();
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(100000, JobPlan(), &delivery, 3000);
  EXPECT_EQ(delivery, Delivery::kTimedOut) << DeliveryText(delivery);
  EXPECT_TRUE(Has(lines, "jvmhost: no application home (HKLM\\Software\\JavaSoft\\Prefs\\Velmo VelmoHome) (error 0)"))
      << Joined(lines);
  EXPECT_TRUE(Has(lines, "jvmhost: job not delivered: Java could not be bound: no application home (error 0)"))
      << Joined(lines);
}

TEST_F(RelayTraces, BadChunkLengthIsTracedWithTheLength) {
  JobPlan plan;
  plan.sendBadLength = true;
  plan.badLength = -5;
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(100000, plan, &delivery);
  EXPECT_EQ(delivery, Delivery::kDone);
  EXPECT_TRUE(Has(lines, "jvmhost: bad chunk length; chunk skipped (error -5)")) << Joined(lines);
}

// Array 1 is the header's, array 2 holds the rest of the first chunk; after
// the refusal the job's chunks are acknowledged without a Java call or trace.
TEST_F(RelayTraces, RefusedHeaderArrayIsTracedAndEndsTheJob) {
  SetEnvironmentVariableA("FAKEJVM_FAIL_NEW_BYTE_ARRAY_ONCE", "1");
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(200000, JobPlan(), &delivery);
  EXPECT_EQ(delivery, Delivery::kDone) << "the job's chunks were not all acknowledged";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "jvmhost: Java byte array could not be made, bytes not passed on (error 2048)",
                       "jvmhost: job header not passed on to Java; job ended, rest drained (error 2048)"}))
      << Joined(lines);
}

TEST_F(RelayTraces, RefusedDataArrayIsTracedAndEndsTheJob) {
  SetEnvironmentVariableA("FAKEJVM_FAIL_NEW_BYTE_ARRAY_ONCE", "2");
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(200000, JobPlan(), &delivery);
  EXPECT_EQ(delivery, Delivery::kDone) << "the job's chunks were not all acknowledged";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "jvmhost: Java byte array could not be made, bytes not passed on (error 63488)",
                       "jvmhost: job data not passed on to Java; job ended, rest drained (error 63488)"}))
      << Joined(lines);
}

TEST_F(RelayTraces, ClearedJavaExceptionNamesTheMethod) {
  SetEnvironmentVariableA("FAKEJVM_THROW_FROM", "writePSData");
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(5000, JobPlan(), &delivery);
  EXPECT_EQ(delivery, Delivery::kDone);
  EXPECT_TRUE(Has(lines, "jvmhost: Java exception cleared after: writePSData (error 0)")) << Joined(lines);
}

TEST_F(RelayTraces, RefusedVmStartTracesTheComposedText) {
  SetEnvironmentVariableA("FAKEJVM_CREATE_RESULT", "-5");
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(5000, JobPlan(), &delivery, 3000);
  EXPECT_EQ(delivery, Delivery::kTimedOut) << DeliveryText(delivery);
  EXPECT_TRUE(Has(lines, "jvmhost: job not delivered: Java could not be bound: the Java VM could not be created (error 0)"))
      << Joined(lines);
  EXPECT_TRUE(Has(lines,
                  "jvmhost: Java VM start-up failed: \xB3\xF5\xCA\xBC\xBB\xAFJAVA\xD0\xE9\xC4\xE2\xBB\xFA\xB3\xF6\xB4\xED"
                  "\xA3\xAC\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA-5 \xA3\xA8VM already created\xA3\xA9 (error -5)"))
      << Joined(lines);
}

TEST_F(RelayTraces, EachRuntimePassedOverIsTracedAndTheNextOneRunsTheJob) {
  RuntimeRegistrations places;
  RemoveTree(install_.appHome() + "\\jre");
  std::string root = install_.root();
  MakeVersionedRuntime(install_, root + "\\x86-jdk", "17.0.9");
  ASSERT_TRUE(SetImageMachine(JavaInstall::JvmPath(root + "\\x86-jdk"), 0x014c));
  places.SetJavaSoft("JDK", "17", root + "\\x86-jdk");
  install_.MakeRuntime(root + "\\client-only", "", "jvm.dll", false);
  places.SetString("Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", root + "\\client-only\\");
  places.SetUserString("Software\\AdoptOpenJDK\\JDK\\11.0.21.9\\hotspot\\MSI", "Path", root + "\\x86-jdk");
  MakeVersionedRuntime(install_, root + "\\cut-zulu", "11.0.21");
  ASSERT_TRUE(WriteFileText(JavaInstall::JvmPath(root + "\\cut-zulu"), "MZ"));
  places.SetString("Software\\Azul Systems\\Zulu\\zulu-11", "InstallationPath", root + "\\cut-zulu");
  MakeVersionedRuntime(install_, root + "\\jdk-21", "21.0.1");
  places.SetJavaHomeVariable(root + "\\jdk-21\\");
  SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", (root + "\\header.bin").c_str());
  SetEnvironmentVariableA("FAKEJVM_DATA_FILE", (root + "\\data.bin").c_str());

  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(100000, JobPlan(), &delivery);
  EXPECT_EQ(delivery, Delivery::kDone);
  std::string received = ReadFileBytes(root + "\\header.bin") + ReadFileBytes(root + "\\data.bin");
  EXPECT_EQ(received.size(), 100000u) << "the job did not reach Java through JAVA_HOME's runtime";
  const std::vector<std::string> expected = {
      "jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: HKLM\\Software\\JavaSoft\\JDK\\17 "
      "JavaHome = " + root + "\\x86-jdk (error 193)",
      "jvmhost: Java runtime passed over, no bin\\server\\jvm.dll: HKLM\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9"
      "\\hotspot\\MSI Path = " + root + "\\client-only (error 2)",
      "jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: HKCU\\Software\\AdoptOpenJDK\\JDK"
      "\\11.0.21.9\\hotspot\\MSI Path = " + root + "\\x86-jdk (error 193)",
      "jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: HKLM\\Software\\Azul Systems\\Zulu"
      "\\zulu-11 InstallationPath = " + root + "\\cut-zulu (error 193)",
  };
  EXPECT_EQ(lines, expected) << Joined(lines);
}

// Folders whose names 936 cannot spell (Hangul, an emoji): the home as
// VelmoHome names it, a 32-bit runtime the JDK key names, passed over and
// traced by its name in Unicode, and the runtime JAVA_HOME names.  The A
// functions and the virtual machine get their short names: the job arrives
// exact.
TEST_F(RelayTraces, HomeAndRuntimeWhoseNamesTheCodePageCannotSpellRunTheJob) {
  RuntimeRegistrations places;
  std::wstring home, x86, runtime;
  std::string shortHome = install_.MakeWideFolder(L"\uD55C\uAE00 \U0001F600 home", &home);
  std::string shortX86 = install_.MakeWideFolder(L"\uD55C\uAE00 \U0001F600 x86", &x86);
  std::string shortRuntime = install_.MakeWideFolder(L"\uD55C\uAE00 \U0001F600 runtime", &runtime);
  ASSERT_FALSE(shortHome.empty() || shortX86.empty() || shortRuntime.empty())
      << "CreateDirectoryW or GetShortPathNameW failed: " << GetLastError();
  install_.PlaceAppHomeAt(shortHome);
  install_.MakeAppHome();
  install_.SetAppHomeWide(home);
  MakeVersionedRuntime(install_, shortX86, "17.0.9");
  ASSERT_TRUE(SetImageMachine(JavaInstall::JvmPath(shortX86), 0x014c));
  places.SetJavaSoft("JDK", "17", shortX86);
  install_.MakeRuntime(shortRuntime, "");
  ASSERT_TRUE(SetEnvironmentVariableW(L"JAVA_HOME", runtime.c_str())) << GetLastError();
  std::string root = install_.root();
  SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", (root + "\\header.bin").c_str());
  SetEnvironmentVariableA("FAKEJVM_DATA_FILE", (root + "\\data.bin").c_str());

  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(100000, JobPlan(), &delivery);
  EXPECT_EQ(delivery, Delivery::kDone);
  // A debugger that does not take Unicode gets the line in the ANSI code
  // page, spelt as near as it can be (the UTF-8 bytes would be other
  // characters there).
  char shown[600] = "";
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, x86.c_str(), -1, shown, sizeof shown, nullptr, nullptr), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: "
                                            "HKLM\\Software\\JavaSoft\\JDK\\17 JavaHome = " + std::string(shown) +
                                            " (error 193)"});
  std::string job(100000, '\0');
  for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<char>(i * 7);
  EXPECT_TRUE(ReadFileBytes(root + "\\header.bin") + ReadFileBytes(root + "\\data.bin") == job)
      << "the job did not reach Java exact through JAVA_HOME's runtime";
}

// Under Wine every process is an elevated administrator, so the relay judges
// who may change its runtime; Wine shows /tmp, which every Unix user may
// write, as Everyone: Modify.  The runtime below it is passed over, the next
// place's runs the job.
TEST_F(RelayTraces, RuntimeOthersMayChangeIsPassedOverByAnElevatedRelay) {
  RuntimeRegistrations places;
  RemoveTree(install_.appHome() + "\\jre");
  std::string shared = "Z:\\tmp\\jvmhost-relay-" + std::to_string(GetCurrentProcessId());
  MakeVersionedRuntime(install_, shared + "\\jre-17", "17.0.9");
  places.SetJavaSoft("JRE", "17", shared + "\\jre-17");
  MakeVersionedRuntime(install_, install_.root() + "\\jdk-21", "21.0.1");
  places.SetJavaSoft("JDK", "21", install_.root() + "\\jdk-21");
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(5000, JobPlan(), &delivery);
  RemoveTree(shared);
  EXPECT_EQ(delivery, Delivery::kDone);
  EXPECT_EQ(lines, std::vector<std::string>{"jvmhost: Java runtime passed over by a privileged relay, an account "
                                            "other than SYSTEM and the Administrators may change it: HKLM\\Software"
                                            "\\JavaSoft\\JRE\\17 JavaHome = " + shared + "\\jre-17, at Z:\\tmp (error 0)"});
}

TEST_F(RelayTraces, RefusingVmsOwnWordsAreTracedWithItsResult) {
  // A runtime that shows its version nowhere (no release file, no version
  // resource, no lib\modules) gets the permanent-generation options; a Java
  // 17 refuses them, and what it says would otherwise go nowhere.
  SetEnvironmentVariableA("FAKEJVM_JAVA_VERSION", "17");
  Delivery delivery;
  std::vector<std::string> lines = TracesOfOneJob(5000, JobPlan(), &delivery, 3000);
  EXPECT_EQ(delivery, Delivery::kTimedOut) << "a job Java never saw was reported done";
  EXPECT_TRUE(Has(lines, "jvmhost: Java VM said: Unrecognized VM option 'PermSize=64M' (error -6)")) << Joined(lines);
}

TEST_F(RelayTraces, UnreadableChunkMappingIsTracedAndTheStarterKeepsTheRelay) {
  std::string program = JavaInstall::BuiltFile("jvmhost.exe");
  std::string commandLine =
      "\"" + program + "\" " + std::to_string(reinterpret_cast<uintptr_t>(channel_.controlMapping));
  DebuggeeRun run;
  std::thread debugger([&] { run = RunAsDebuggee(commandLine, 4 * kWaitMs, true, stop_); });
  // A value no handle table holds: MapViewOfFile fails with
  // ERROR_INVALID_HANDLE.
  Delivery broken = FeedBrokenJob(&channel_, BrokenMapping::kUnused, 1000, kWaitMs);
  // The relay's handles are its own now, but this process, which started
  // it, lives: several looks later the relay is still there.
  CloseProducerChannel(&channel_);
  Sleep(3500);
  SetEvent(stop_);
  debugger.join();
  EXPECT_EQ(broken, Delivery::kDone) << DeliveryText(broken);
  EXPECT_TRUE(run.stopped) << "the relay ended under its living starter";
  EXPECT_EQ(run.debugLines, (std::vector<std::string>{"jvmhost: chunk view failed to map; job ended (error 6)"}));
}
