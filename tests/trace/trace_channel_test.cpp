// The trace line format and the channel it travels on.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "tests/support/child_process.h"

TEST(TraceChannel, DebuggerReceivesOneLinePerFailureWithItsCode) {
  DebuggeeRun run = RunAsDebuggee("\"" + BinaryDirectory() + "\\trace_probe.exe" + "\"", 60000);
  ASSERT_TRUE(run.started) << "CreateProcessA failed: " << GetLastError();
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 3u);
  ASSERT_EQ(run.debugLines.size(), 1u);
  EXPECT_EQ(run.debugLines[0], "jvmhost: chunk view failed to map; job ended (error 5)");
}
