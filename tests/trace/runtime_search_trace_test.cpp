// Runtimes the wider search passes over, traced one line each, while the
// relay goes on to the next place and delivers the job through it.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "tests/support/java_install.h"
#include "tests/support/runtime_registrations.h"
#include "tools/producer/print_producer.h"

namespace {

constexpr DWORD kWaitMs = 30000;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace

TEST(RuntimeSearchTraces, EachRuntimePassedOverIsTracedAndTheNextOneRunsTheJob) {
  JavaInstall install;
  RuntimeRegistrations places;
  install.MakeAppHome();
  install.SetAppHomeValue(install.appHome());
  std::string root = install.root();

  MakeVersionedRuntime(install, root + "\\x86-jdk", "17.0.9");
  ASSERT_TRUE(SetImageMachine(JavaInstall::JvmPath(root + "\\x86-jdk"), 0x014c));
  places.SetJavaSoft("JDK", "17", root + "\\x86-jdk");
  install.MakeRuntime(root + "\\client-only", "", "jvm.dll", false);
  places.SetString("Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", root + "\\client-only\\");
  MakeVersionedRuntime(install, root + "\\cut-zulu", "11.0.21");
  ASSERT_TRUE(WriteFileText(JavaInstall::JvmPath(root + "\\cut-zulu"), "MZ"));
  places.SetString("Software\\Azul Systems\\Zulu\\zulu-11", "InstallationPath", root + "\\cut-zulu");
  MakeVersionedRuntime(install, root + "\\jdk-21", "21.0.1");
  places.SetJavaHomeVariable(root + "\\jdk-21\\");
  std::string headerFile = root + "\\header.bin";
  std::string dataFile = root + "\\data.bin";
  SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", headerFile.c_str());
  SetEnvironmentVariableA("FAKEJVM_DATA_FILE", dataFile.c_str());

  ProducerChannel channel = {};
  ASSERT_TRUE(OpenProducerChannel(&channel, 65536, true)) << "OpenProducerChannel failed: " << GetLastError();
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::string commandLine = "\"" + JavaInstall::BuiltFile("jvmhost.exe") + "\" " +
                            std::to_string(reinterpret_cast<uintptr_t>(channel.controlMapping));
  DebuggeeRun run;
  std::thread debugger([&] { run = RunAsDebuggee(commandLine, 4 * kWaitMs, true, stop); });
  std::string job(150000, '\0');
  for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<char>(i * 13);
  JobTally tally;
  Delivery delivery =
      FeedJob(&channel, reinterpret_cast<const unsigned char*>(job.data()), job.size(), JobPlan(), kWaitMs, &tally);
  SetEvent(stop);
  debugger.join();
  CloseProducerChannel(&channel);
  CloseHandle(stop);
  SetEnvironmentVariableA("FAKEJVM_HEADER_FILE", nullptr);
  SetEnvironmentVariableA("FAKEJVM_DATA_FILE", nullptr);

  EXPECT_EQ(delivery, Delivery::kDone) << DeliveryText(delivery);
  EXPECT_TRUE(run.stopped) << "the relay ended by itself";
  EXPECT_TRUE(ReadFileBytes(headerFile) + ReadFileBytes(dataFile) == job) << "the job did not reach Java through JAVA_HOME's runtime";
  const std::vector<std::string> expected = {
      "jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: HKLM\\Software\\JavaSoft\\JDK\\17 "
      "JavaHome = " + root + "\\x86-jdk (error 193)",
      "jvmhost: Java runtime passed over, no bin\\server\\jvm.dll: HKLM\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9"
      "\\hotspot\\MSI Path = " + root + "\\client-only (error 2)",
      "jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: HKLM\\Software\\Azul Systems\\Zulu"
      "\\zulu-11 InstallationPath = " + root + "\\cut-zulu (error 193)",
  };
  EXPECT_EQ(run.debugLines, expected) << Joined(run.debugLines);
}
