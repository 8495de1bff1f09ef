// One launcher per logon: the guard mutex, bringing the running instance's
// window to the front, and the recovery that ends processes by file name.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "host/host.h"
#include "host/text/texts.h"

namespace {

// Exit code of a second instance, whether it found the window or not.
constexpr int kSecondInstanceExitCode = 1;
// Exit code the recovery gives the processes it ends.
constexpr UINT kKilledExitCode = 9;

// The wide entry record: its size field must say 568 or the walk fails.
static_assert(sizeof(PROCESSENTRY32W) == 568, "PROCESSENTRY32W must be the wide record");

// Unit-exact comparison with the terminating zero, bounded by the record's
// name field so an unterminated entry cannot be read past.
bool ExeNameMatches(const PROCESSENTRY32W& entry, const wchar_t* exeName, size_t exeNameUnits) {
  if (exeNameUnits > sizeof entry.szExeFile / sizeof entry.szExeFile[0]) return false;
  return std::wmemcmp(entry.szExeFile, exeName, exeNameUnits) == 0;
}

// A second start's way out when the running instance shows its main
// window: that window to the front, then exit with 1.  Returns only when no
// such window exists.
void ExitToMainWindowIfShown(HANDLE guard) {
  // The Java window's title is Unicode: it is matched in UTF-16, as the
  // product's Chinese name, on any system.
  wchar_t title[64];
  if (!WideFromGbk(TEXT_MAIN_WINDOW_TITLE, title, sizeof title / sizeof title[0])) return;
  HWND mainWindow = FindWindowW(nullptr, title);
  if (mainWindow == nullptr) return;
  // Foreground first, while this process, just started by the user, may
  // still hand the foreground to another one.  Neither result matters: the
  // second instance ends either way.
  SetForegroundWindow(mainWindow);
  ShowWindow(mainWindow, SW_RESTORE);
  CloseHandle(guard);
  std::exit(kSecondInstanceExitCode);
}

}  // namespace

/*
 * EnsureSingleInstance
 *
 * Returns in the first instance of the logon, leaving the guard mutex
 * "BraskFlag" open until the process ends (only its existence counts: it is
 * never acquired).  In a second instance it never returns and exits with 1:
 * it restores the running instance's main window; when there is none, it
 * tells the user, and once the user has dismissed the box it looks for the
 * window again, restoring it if it has appeared meanwhile and otherwise
 * ending every other process running as the product's executable.
 *
 * Notes: a guard that cannot be created for any reason other than
 * ERROR_ALREADY_EXISTS lets this instance run; a launcher that refuses to start
 * over a failed mutex would lock the user out for nothing.  A real Java
 * application takes seconds to show its window, so a second start in that
 * time meets a healthy instance without one; the second look keeps the
 * recovery from ending it.
 */
void EnsureSingleInstance() {
  HANDLE guard = CreateMutexA(nullptr, FALSE, TEXT_GUARD_MUTEX);
  if (GetLastError() != ERROR_ALREADY_EXISTS) return;

  ExitToMainWindowIfShown(guard);

  // The guard exists without a window: the running instance is still
  // starting or hangs.  The user's OK comes before anything is ended, and
  // an instance that was only starting may have shown its window by then.
  wchar_t text[64];
  wchar_t caption[16];
  // The texts are fixed and fit; the user's OK is all the box returns.
  WideFromGbk(TEXT_ALREADY_RUNNING, text, sizeof text / sizeof text[0]);
  WideFromGbk(TEXT_ERROR_CAPTION, caption, sizeof caption / sizeof caption[0]);
  MessageBoxW(nullptr, text, caption, MB_OK);
  ExitToMainWindowIfShown(guard);
  KillProcessesByName(TEXT_PRODUCT_EXE);
  std::exit(kSecondInstanceExitCode);
}

/*
 * KillProcessesByName
 *
 * Ends, with exit code 9, every other process whose executable file name (no
 * path) equals exeName exactly: case-sensitive, no pattern.
 *
 * exeName [in]: the file name as GBK (code page 936) text, compared in
 *   UTF-16 with the names the system lists, whatever its ANSI code page.
 *
 * Notes: the calling process is spared.  A second instance installed under
 * the product's name would otherwise end itself at its own place in the
 * snapshot, with 9 instead of its own exit code, and leave every process
 * listed after it running.  A process that cannot be opened for termination
 * is skipped without a report, and a failed snapshot ends nothing.
 */
void KillProcessesByName(const char* exeName) {
  if (exeName == nullptr) return;
  wchar_t wideName[MAX_PATH];
  if (!WideFromGbk(exeName, wideName, MAX_PATH)) return;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;

  const DWORD self = GetCurrentProcessId();
  const size_t exeNameUnits = std::wcslen(wideName) + 1;
  PROCESSENTRY32W entry;
  std::memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self || !ExeNameMatches(entry, wideName, exeNameUnits)) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    if (process == nullptr) continue;
    // A refusal (already ending, access) leaves that process to itself.
    TerminateProcess(process, kKilledExitCode);
    CloseHandle(process);
  }
  CloseHandle(snapshot);
}
