#include "tests/setup/child_process.h"

#include <cstdlib>
#include <cwchar>

#include "tests/setup/spooler_state.h"

TempDirectory::TempDirectory(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  // Unique per test process: a crashed run may have left an older one.
  path_ = std::string(temp) + "setuptest_" + name + "_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempDirectory::~TempDirectory() { RemoveFlatDirectory(path_); }

namespace {

// Wide, so that folders whose names this code page cannot spell go too.
void RemoveTree(const std::wstring& directory) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring path = directory + L"\\" + found.cFileName;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(path.c_str());
      } else if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0) {
        RemoveTree(path);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(directory.c_str());
}

}  // namespace

void RemoveFlatDirectory(const std::string& directory) { RemoveTree(Widen(directory)); }

bool StartSleeperAs(const std::string& directory, const std::string& name, ChildProcess* child) {
  const std::string copy = directory + "\\" + name;
  if (!CopyFileA((BinaryDirectory() + "\\setup_sleeper.exe").c_str(), copy.c_str(), FALSE)) return false;
  return child->Start(copy, "");
}

std::wstring Widen(const std::string& ansi) {
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring wide(size > 0 ? static_cast<size_t>(size) : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], size);
  wide.resize(wide.size() - 1);
  return wide;
}

namespace {

// This process's environment block with LC_ALL replaced.
std::wstring EnvironmentWithLocale(const char* locale) {
  std::wstring environment;
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    if (_wcsnicmp(entry, L"LC_ALL=", 7) != 0) environment.append(entry).push_back(L'\0');
  }
  if (own != nullptr) FreeEnvironmentStringsW(own);
  return environment + L"LC_ALL=" + Widen(locale) + L'\0';  // c_str()'s terminator ends the block
}

}  // namespace

bool RunProgramUnderLocale(const std::wstring& program, const std::vector<std::wstring>& arguments,
                           const char* locale, DWORD* exitCode) {
  // The exit status, written by the shell where both sides can name it.
  const std::string id = std::to_string(GetCurrentProcessId());
  const std::wstring status = L"Z:\\tmp\\setuptest_status_" + Widen(id);
  DeleteFileW(status.c_str());
  std::wstring commandLine = L"/bin/sh -c \"wine \\\"$0\\\" \\\"$@\\\"; echo $? >/tmp/setuptest_status_" + Widen(id) +
                             L"\" \"" + program + L"\"";
  for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
  std::wstring environment = EnvironmentWithLocale(locale);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(L"Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      &environment[0], nullptr, &startup, &info)) {
    return false;
  }
  // Wine hands back no handle for a Unix process.
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  for (DWORD waited = 0; waited < kChildTimeoutMs; waited += 50) {
    const std::string text = ReadWholeFileW(status);
    if (!text.empty() && text.back() == '\n') {
      DeleteFileW(status.c_str());
      // The shell's status holds the exit code's low byte: -1 reads 255.
      const unsigned long code = std::strtoul(text.c_str(), nullptr, 10);
      *exitCode = code == 255 ? static_cast<DWORD>(-1) : code;
      return true;
    }
    Sleep(50);
  }
  SetLastError(WAIT_TIMEOUT);
  return false;
}

bool RunProgramReadingErrors(const std::string& program, const std::string& arguments, DWORD* exitCode,
                             std::string* errors) {
  const std::string path = program + ".stderr";
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = file;
  PROCESS_INFORMATION info{};
  const bool started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &info) != FALSE;
  CloseHandle(file);
  if (!started) return false;
  CloseHandle(info.hThread);
  const bool ended = WaitForSingleObject(info.hProcess, kChildTimeoutMs) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(info.hProcess, exitCode);
  if (!ended) TerminateProcess(info.hProcess, 99);
  CloseHandle(info.hProcess);
  *errors = ReadWholeFile(path);
  DeleteFileA(path.c_str());
  return ended;
}
