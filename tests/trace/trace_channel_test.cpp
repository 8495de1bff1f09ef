// The trace line format and the channel it travels on.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "host/text/texts.h"
#include "host/trace/trace.h"
#include "tests/support/child_process.h"

TEST(TraceChannel, DebuggerReceivesOneLinePerFailureWithItsCode) {
  DebuggeeRun run = RunAsDebuggee("\"" + BinaryDirectory() + "\\trace_probe.exe" + "\"", 60000);
  ASSERT_TRUE(run.started) << "CreateProcessA failed: " << GetLastError();
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 3u);
  ASSERT_EQ(run.debugLines.size(), 1u);
  EXPECT_EQ(run.debugLines[0], "jvmhost: chunk view failed to map; job ended (error 5)");
}

// Which lines go out through OutputDebugStringW: UTF-8 beyond ASCII only,
// never the product's GBK texts that the start-up failure lines carry.
TEST(TraceChannel, OnlyUtf8BeyondAsciiIsTakenForUnicode) {
  EXPECT_FALSE(TraceTextIsUtf8("jvmhost: chunk view failed to map; job ended (error 5)"));
  EXPECT_TRUE(TraceTextIsUtf8("jvmhost: x: C:\\\xED\x95\x9C\xEA\xB8\x80 \xF0\x9F\x98\x80 (error 193)"));
  EXPECT_FALSE(TraceTextIsUtf8("jvmhost: x: C:\\caf\xE9 (error 3)"));  // 1252
  for (const char* gbk : {TEXT_JVM_NOT_FOUND, TEXT_ERROR_TAIL, TEXT_VM_INIT_FAILED, TEXT_JNI_ERR, TEXT_JNI_UNKNOWN,
                          TEXT_MAIN_WINDOW_TITLE, TEXT_ALREADY_RUNNING, TEXT_NO_APP_HOME, TEXT_NO_JAVA_RUNTIME,
                          TEXT_NO_JAVA_APPLICATION, TEXT_FOLDER_NAME_UNUSABLE}) {
    EXPECT_FALSE(TraceTextIsUtf8(gbk)) << gbk;
  }
}
