// The setup tests' scratch directories and the sleepers the installer is
// meant to end.
#pragma once

#include <windows.h>

#include <string>

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

// Deletes the files directly in directory, then directory itself.
void RemoveFlatDirectory(const std::string& directory);

// Copies the sleeper to directory\name and starts it.
bool StartSleeperAs(const std::string& directory, const std::string& name, ChildProcess* child);
