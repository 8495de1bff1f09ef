// Runs a program as a debuggee and collects what it writes with
// OutputDebugStringA, the way a debug-output viewer would see it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DebuggeeRun {
  bool started = false;
  bool exited = false;  // false: the time ran out and the program was ended
  DWORD exitCode = 0;
  std::vector<std::string> debugLines;  // each OutputDebugStringA call, trailing newline removed
};

// commandLine holds the program and its arguments; the environment is the
// caller's.  Never waits longer than timeoutMs in all.
DebuggeeRun RunAsDebuggee(const std::string& commandLine, DWORD timeoutMs);
