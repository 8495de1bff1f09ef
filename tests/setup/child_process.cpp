#include "tests/setup/child_process.h"

ChildProcess::~ChildProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool ChildProcess::Start(const std::string& program, const std::string& arguments) {
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
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
