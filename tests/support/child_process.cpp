#include "tests/support/child_process.h"

ChildProcess::~ChildProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool ChildProcess::Start(const std::string& program, const std::string& arguments, bool inheritHandles) {
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, inheritHandles ? TRUE : FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool ChildProcess::StartWide(const std::string& program, const std::wstring& arguments) {
  std::wstring commandLine(program.begin(), program.end());  // the build's folder is ASCII
  commandLine = L"\"" + commandLine + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_, exitCode) != FALSE;
}

bool RunProgram(const std::string& program, const std::string& arguments, DWORD* exitCode) {
  ChildProcess child;
  return child.Start(program, arguments) && child.WaitForExit(kChildTimeoutMs, exitCode);
}

std::string BinaryDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of('\\'));
}
