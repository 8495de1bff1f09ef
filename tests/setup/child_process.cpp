#include "tests/setup/child_process.h"

TempDirectory::TempDirectory(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  // Unique per test process: a crashed run may have left an older one.
  path_ = std::string(temp) + "setuptest_" + name + "_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempDirectory::~TempDirectory() { RemoveFlatDirectory(path_); }

void RemoveFlatDirectory(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileA((directory + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(directory.c_str());
}

bool StartSleeperAs(const std::string& directory, const std::string& name, ChildProcess* child) {
  const std::string copy = directory + "\\" + name;
  if (!CopyFileA((BinaryDirectory() + "\\setup_sleeper.exe").c_str(), copy.c_str(), FALSE)) return false;
  return child->Start(copy, "");
}
