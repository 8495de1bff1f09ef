// Child processes of the tests: programs of the build run for real.
#pragma once

#include <windows.h>

#include <string>

constexpr DWORD kChildTimeoutMs = 60000;

// A started child; ended by force (exit code 99) if still running when the
// holder goes, so a failing test leaves no process behind.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // program is a full path; arguments are appended to its quoted path.
  // inheritHandles passes the caller's inheritable handles on.
  bool Start(const std::string& program, const std::string& arguments, bool inheritHandles = false);
  // As Start, the arguments as UTF-16 (CreateProcessW), as Explorer passes a
  // file name the ANSI code page cannot spell.
  bool StartWide(const std::string& program, const std::wstring& arguments);

  // True with the exit code when the child ended within timeoutMs.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode) const;
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Runs program to its end (at most kChildTimeoutMs).  False when it could not
// be started or did not end in time.
bool RunProgram(const std::string& program, const std::string& arguments, DWORD* exitCode);

// Directory of the running test executable, where every program and DLL of
// the build lies.
std::string BinaryDirectory();
