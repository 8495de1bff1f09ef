// jvmhost's failure traces as the launcher, read as a debugger reads them
// while the test dismisses the launcher's failure box.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "tests/support/java_install.h"
#include "tests/support/message_box.h"
#include "tests/support/runtime_registrations.h"

namespace {

constexpr DWORD kWaitMs = 30000;

// The process id of the debuggee the launcher is, found by its image name
// while it shows its box.
DWORD LauncherProcessId() {
  for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
    HWND box = FindWindowA("#32770", "\xB4\xED\xCE\xF3");
    DWORD owner = 0;
    if (box != nullptr && GetWindowThreadProcessId(box, &owner)) return owner;
    Sleep(50);
  }
  return 0;
}

}  // namespace

// Each runtime the search passes over is traced once, also when start-up
// fails and the launcher tells the user what is missing.
TEST(LauncherTraces, RuntimePassedOverIsTracedOnceWhenNoneIsFound) {
  JavaInstall install;
  install.MakeStandardInstall();
  RuntimeRegistrations places;
  std::string x86 = LeaveOnlyA32BitJavaHome(install, places);
  ASSERT_NE(x86, "");

  std::string commandLine = "\"" + JavaInstall::BuiltFile("jvmhost.exe") + "\" x";
  DebuggeeRun run;
  std::thread debugger([&] { run = RunAsDebuggee(commandLine, 2 * kWaitMs); });
  DWORD launcher = LauncherProcessId();
  std::string text = launcher != 0 ? DismissMessageBox(launcher, kWaitMs) : "<no message box>";
  debugger.join();

  EXPECT_EQ(text, "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD4\xCB\xD0\xD0\xBB\xB7\xBE\xB3\xA1\xA3");
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.debugLines,
            (std::vector<std::string>{
                "jvmhost: Java runtime passed over, its jvm.dll is not a 64-bit x64 image: JAVA_HOME = " + x86 +
                    " (error 193)",
                "jvmhost: no Java runtime under the application home, registered, nor in JAVA_HOME (error 0)"}));
}
