#include "debuggee.h"

#include <vector>

namespace {

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  if (info.fUnicode || info.nDebugStringLength == 0) return std::string();
  std::vector<char> text(info.nDebugStringLength);
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read)) return std::string();
  std::string line(text.data(), read);
  while (!line.empty() && (line.back() == '\0' || line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

}  // namespace

DebuggeeRun RunAsDebuggee(const std::string& commandLine, DWORD timeoutMs, bool inheritHandles, HANDLE stop) {
  DebuggeeRun run;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, inheritHandles, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr,
                      &startup, &process)) {
    return run;
  }
  run.started = true;
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool terminated = false;
  bool stopped = false;
  for (;;) {
    if (!stopped && stop != nullptr && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 0);
      stopped = true;
    }
    ULONGLONG now = GetTickCount64();
    if (!terminated && now >= deadline) {
      TerminateProcess(process.hProcess, 0xDEAD);
      terminated = true;
      deadline = now + 10000;  // the exit event still has to come through
    } else if (terminated && now >= deadline) {
      break;
    }
    DEBUG_EVENT event = {};
    if (!WaitForDebugEvent(&event, 100)) continue;
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT:
        run.debugLines.push_back(ReadDebugString(process.hProcess, event.u.DebugString));
        break;
      case EXCEPTION_DEBUG_EVENT:
        // Only the loader's initial breakpoint is ours to swallow.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        run.exited = !terminated && !stopped;
        run.stopped = stopped;
        run.exitCode = event.u.ExitProcess.dwExitCode;
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) break;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}
