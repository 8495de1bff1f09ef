// The trace line format and the channel it travels on.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "debuggee.h"

namespace {

std::string BesideThisTest(const char* name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, length);
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

}  // namespace

TEST(TraceChannel, DebuggerReceivesOneLinePerFailureWithItsCode) {
  DebuggeeRun run = RunAsDebuggee("\"" + BesideThisTest("trace_probe.exe") + "\"", 60000);
  ASSERT_TRUE(run.started) << "CreateProcessA failed: " << GetLastError();
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 3u);
  ASSERT_EQ(run.debugLines.size(), 1u);
  EXPECT_EQ(run.debugLines[0], "jvmhost: chunk view failed to map; chunk skipped (error 5)");
}
