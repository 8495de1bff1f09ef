// Runs a program as a debuggee and collects what it writes with
// OutputDebugStringA, the way a debug-output viewer would see it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DebuggeeRun {
  bool started = false;
  bool exited = false;   // ended by itself
  bool stopped = false;  // ended on the caller's request
  DWORD exitCode = 0;
  std::vector<std::string> debugLines;  // each OutputDebugStringA call, trailing newline removed
};

// commandLine holds the program and its arguments; the environment is the
// caller's.  Never waits longer than timeoutMs in all.  inheritHandles passes
// the caller's inheritable handles on; once `stop` (when given) is signalled
// the program is ended, as a program that never ends by itself needs.
// The debugging runs on the calling thread.
DebuggeeRun RunAsDebuggee(const std::string& commandLine, DWORD timeoutMs, bool inheritHandles = false,
                          HANDLE stop = nullptr);
