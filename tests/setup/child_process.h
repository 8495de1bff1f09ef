// Child processes of the setup tests: the installer itself and the sleepers
// it is meant to end.
#pragma once

#include <windows.h>

#include <string>

constexpr DWORD kSleeperNaturalExitCode = 7;
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
  bool Start(const std::string& program, const std::string& arguments);
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

// A fresh directory under the temporary directory, removed with the files in
// it when the holder goes (declare it before the children started from it).
class TempDirectory {
 public:
  explicit TempDirectory(const std::string& name);
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Deletes the files directly in directory, then directory itself.
void RemoveFlatDirectory(const std::string& directory);

// Copies the sleeper to directory\name and starts it.
bool StartSleeperAs(const std::string& directory, const std::string& name, ChildProcess* child);
