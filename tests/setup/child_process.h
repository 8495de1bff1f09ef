// The setup tests' scratch directories and the sleepers the installer is
// meant to end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

constexpr DWORD kSleeperNaturalExitCode = 7;

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

// Deletes the files in directory and in its subdirectories, then directory
// itself.
void RemoveFlatDirectory(const std::string& directory);

// Copies the sleeper to directory\name and starts it.  Started with
// "--code-page N" it ends at once, with 0 when its ANSI code page is N.
bool StartSleeperAs(const std::string& directory, const std::string& name, ChildProcess* child);

std::wstring Widen(const std::string& ansi);

// Runs program to its end with the given arguments as a user of another
// Windows would.  Under Wine a process takes its ANSI code page from the Unix
// LC_ALL it starts with; a Windows child inherits its parent's, whatever its
// environment block says, but a Unix program gets the block as its
// environment.  So a shell started with this block (LC_ALL replaced by
// locale) runs the program through wine.  False when it could not be started
// or did not end within kChildTimeoutMs.
bool RunProgramUnderLocale(const std::wstring& program, const std::vector<std::wstring>& arguments,
                           const char* locale, DWORD* exitCode);

// RunProgram with the child's standard error going into a file (so not a
// console): what it wrote there, in bytes.
bool RunProgramReadingErrors(const std::string& program, const std::string& arguments, DWORD* exitCode,
                             std::string* errors);
