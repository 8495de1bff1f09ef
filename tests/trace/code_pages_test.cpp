// jvmhost as users of other Windows meet it.  CTest runs these tests once
// per locale of the table (tests/trace/CMakeLists.txt), this process and
// every program it starts under its ANSI code page: Wine takes a process's
// code page from the LC_ALL of the Unix environment it inherits (a child's
// Windows environment block does not change it).  What the user sees is read
// as Unicode.
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "tests/support/child_process.h"
#include "tests/support/java_install.h"
#include "tests/support/message_box.h"

namespace {

constexpr DWORD kWaitMs = 30000;

// "Error"; "Error initialising the Java VM, error code: -7 (unknown error)";
// the Java window's title, "<product> - enjoy your designs".
const wchar_t kCaption[] = L"\u9519\u8BEF";
const wchar_t kVmInitFailed[] =
    L"\u521D\u59CB\u5316JAVA\u865A\u62DF\u673A\u51FA\u9519\uFF0C\u9519\u8BEF\u4EE3\u7801\uFF1A-7 "
    L"\uFF08\u672A\u77E5\u7684\u9519\u8BEF\uFF09";
const wchar_t kMainWindowTitle[] = L"\u9752\u79BE\u821F - \u7545\u4EAB\u60A8\u7684\u8BBE\u8BA1";

// The code page of the LC_ALL this process runs under; 0 for a locale not in the table.
UINT CaseCodePage() {
  const std::pair<const char*, UINT> table[] = {
      {"zh_CN.UTF-8", 936}, {"zh_TW.UTF-8", 950}, {"en_US.UTF-8", 1252}, {"ja_JP.UTF-8", 932}};
  char locale[64] = "";
  GetEnvironmentVariableA("LC_ALL", locale, sizeof locale);
  for (const auto& row : table) {
    if (strcmp(locale, row.first) == 0) return row.second;
  }
  return 0;
}

}  // namespace

// The first trace names the code page, except on 936, where traces are as
// they always were.
TEST(CodePages, ProgramRunsUnderTheCaseCodePageAndItsFirstTraceSaysSo) {
  const UINT codePage = CaseCodePage();
  ASSERT_EQ(GetACP(), codePage) << "the test does not run under its case's code page";
  DebuggeeRun run = RunAsDebuggee("\"" + BinaryDirectory() + "\\trace_probe.exe\"", kWaitMs);
  ASSERT_TRUE(run.exited) << "trace_probe did not run to its end";
  std::vector<std::string> expected = {"jvmhost: chunk view failed to map; job ended (error 5)"};
  if (codePage != 936) {
    expected.insert(expected.begin(), "jvmhost: process runs under ANSI code page " + std::to_string(codePage) +
                                          " (OEM " + std::to_string(GetOEMCP()) + ")");
  }
  EXPECT_EQ(run.debugLines, expected);
}

TEST(CodePages, FailureBoxAndSecondStartAreAsOn936) {
  JavaInstall install;
  install.MakeStandardInstall();
  SetEnvironmentVariableA("FAKEJVM_CREATE_RESULT", "-7");
  std::string program = JavaInstall::BuiltFile("jvmhost.exe");
  ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(program, "x.vlm")) << "CreateProcessA failed: " << GetLastError();
  EXPECT_TRUE(DismissMessageBoxWide(launcher.id(), kCaption, kWaitMs) == kVmInitFailed)
      << "no box with the caption and the text of the start-up failure in Chinese";
  DWORD exitCode = 99;
  EXPECT_TRUE(launcher.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(exitCode, 2u);
  SetEnvironmentVariableA("FAKEJVM_CREATE_RESULT", nullptr);

  // This process plays the running instance: its guard and its Unicode
  // window, on a thread that answers the messages restoring it.
  HANDLE guard = CreateMutexA(nullptr, FALSE, "BraskFlag");
  ASSERT_NE(guard, nullptr) << "CreateMutexA failed: " << GetLastError();
  HWND window = nullptr;
  DWORD ownerThread = 0;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    ownerThread = GetCurrentThreadId();
    window = CreateWindowW(L"STATIC", kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                           nullptr, nullptr, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    SetEvent(ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  });
  EXPECT_EQ(WaitForSingleObject(ready, kWaitMs), WAIT_OBJECT_0);
  EXPECT_NE(window, nullptr) << "CreateWindowW failed";
  ChildProcess second;
  EXPECT_TRUE(second.Start(program, "some.vlm")) << "CreateProcessA failed: " << GetLastError();
  // A box would hold the second start until the wait runs out.
  exitCode = 99;
  EXPECT_TRUE(second.WaitForExit(kWaitMs, &exitCode)) << "the second start did not end (a box?)";
  EXPECT_EQ(exitCode, 1u);
  EXPECT_FALSE(IsIconic(window)) << "the running window was not brought back";
  PostThreadMessageW(ownerThread, WM_QUIT, 0, 0);
  owner.join();
  CloseHandle(ready);
  CloseHandle(guard);
}
