// The single-instance guard and the recovery by executable name, with real
// processes, a real named mutex, a real top-level window and the real
// message box.  The test process plays the running instance by creating the
// guard and the main window itself; second instances are the driver program.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/text/texts.h"

namespace {

constexpr DWORD kProcessTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kKilledExitCode = 9;
constexpr DWORD kSecondInstanceExitCode = 1;

// Neighbour variants of the product's executable name (GBK bytes).
#define PRODUCT_STEM "\xC7\xE0\xBA\xCC\xD6\xDB"
const char kUpperCaseExe[] = PRODUCT_STEM ".EXE";
const char kPrefixedExe[] = "x" PRODUCT_STEM ".exe";
const char kDoubledExe[] = PRODUCT_STEM ".exe.exe";

std::string BinFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.erase(folder.find_last_of('\\') + 1);
}

// A folder below %TEMP% for copies of the test programs under other names;
// the copies and the folders go when it does.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "jvmhost-single-instance-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryA(it->c_str());
    RemoveDirectoryA(root_.c_str());
  }
  // Copies a program of the build to <scratch>\<n>\<name>: a folder of its
  // own, since names that differ only in case are one file on Windows.
  std::string CopyAs(const char* program, const char* name) {
    std::string folder = root_ + "\\" + std::to_string(folders_.size());
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
      ADD_FAILURE() << "CreateDirectoryA(" << folder << ") failed: " << GetLastError();
    }
    folders_.push_back(folder);
    std::string copy = folder + "\\" + name;
    if (!CopyFileA((BinFolder() + program).c_str(), copy.c_str(), FALSE)) {
      ADD_FAILURE() << "CopyFileA to " << copy << " failed: " << GetLastError();
    }
    files_.push_back(copy);
    return copy;
  }

 private:
  std::string root_;
  std::vector<std::string> folders_;
  std::vector<std::string> files_;
};

// A started program, ended on scope exit if it still runs.
class Child {
 public:
  Child(const std::string& program, const std::string& arguments = "") {
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      ADD_FAILURE() << "CreateProcessA(" << program << ") failed: " << GetLastError();
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }
  ~Child() {
    if (process_ == nullptr) return;
    if (Running()) TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, kProcessTimeoutMs);
    CloseHandle(process_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return process_ != nullptr; }
  bool Running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // The exit code, or STILL_ACTIVE when it did not end within the time-out.
  DWORD ExitCodeWithin(DWORD timeoutMs) const {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
};

// A product window with the main window's exact title, minimised, served by
// a message loop on its own thread as the Java application's would be.
class MainWindow {
 public:
  MainWindow() {
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, created] { Serve(created); });
    if (WaitForSingleObject(created, kProcessTimeoutMs) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the main window's thread did not report";
    }
    CloseHandle(created);
  }
  ~MainWindow() {
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND handle() const { return window_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
  }
  void Serve(HANDLE created) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "JvmhostTestMainWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA(windowClass.lpszClassName, TEXT_MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    if (window_ != nullptr) ShowWindow(window_, SW_MINIMIZE);
    SetEvent(created);
    if (window_ == nullptr) return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  std::atomic<HWND> window_{nullptr};
  std::thread thread_;
};

// Polls for a top-level window; null when none appeared in time.
HWND WaitForWindow(const char* windowClass, const char* title, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
    HWND found = FindWindowA(windowClass, title);
    if (found != nullptr) return found;
    Sleep(kPollMs);
  }
  return nullptr;
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  char text[256] = "";
  GetWindowTextA(child, text, sizeof text);
  reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
  return TRUE;
}

bool DialogShowsText(HWND dialog, const char* expected) {
  std::vector<std::string> texts;
  EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&texts));
  for (const std::string& text : texts) {
    if (text == expected) return true;
  }
  return false;
}

void PressOk(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

// The running instance's guard, held by the test process.
class HeldGuard {
 public:
  HeldGuard() : mutex_(CreateMutexA(nullptr, FALSE, TEXT_GUARD_MUTEX)) {
    if (mutex_ == nullptr) ADD_FAILURE() << "CreateMutexA failed: " << GetLastError();
  }
  ~HeldGuard() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

// A named event between the test and a driver: the driver sets "Returned"
// once EnsureSingleInstance has returned, the test sets "Show" to have it
// show its main window.
class NamedSignal {
 public:
  explicit NamedSignal(const char* stem)
      : name_("JvmhostTest" + std::string(stem) + std::to_string(GetCurrentProcessId())),
        event_(CreateEventA(nullptr, TRUE, FALSE, name_.c_str())) {}
  ~NamedSignal() { CloseHandle(event_); }
  const std::string& name() const { return name_; }
  bool SeenWithin(DWORD timeoutMs) const { return WaitForSingleObject(event_, timeoutMs) == WAIT_OBJECT_0; }
  void Set() const { SetEvent(event_); }

 private:
  std::string name_;
  HANDLE event_;
};

bool BecomesIconic(HWND window, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
    if (IsIconic(window)) return true;
    Sleep(kPollMs);
  }
  return false;
}

std::string Driver() { return BinFolder() + "single_instance_driver.exe"; }

}  // namespace

// --- KillProcessesByName --------------------------------------------------

TEST(KillProcessesByName, EndsEveryProcessWithExactlyThatNameWithExitCode9) {
  ScratchFolder scratch;
  Child first(scratch.CopyAs("stand_in_process.exe", TEXT_PRODUCT_EXE));
  Child second(scratch.CopyAs("stand_in_process.exe", TEXT_PRODUCT_EXE));
  ASSERT_TRUE(first.Started() && second.Started());

  KillProcessesByName(TEXT_PRODUCT_EXE);

  EXPECT_EQ(first.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode);
  EXPECT_EQ(second.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode);
}

TEST(KillProcessesByName, LeavesTheNameInOtherLetterCaseRunning) {
  ScratchFolder scratch;
  Child exact(scratch.CopyAs("stand_in_process.exe", TEXT_PRODUCT_EXE));
  Child upperCase(scratch.CopyAs("stand_in_process.exe", kUpperCaseExe));
  ASSERT_TRUE(exact.Started() && upperCase.Started());

  KillProcessesByName(TEXT_PRODUCT_EXE);

  ASSERT_EQ(exact.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode);
  EXPECT_TRUE(upperCase.Running());
}

TEST(KillProcessesByName, LeavesNamesThatMerelyContainTheNameRunning) {
  ScratchFolder scratch;
  Child exact(scratch.CopyAs("stand_in_process.exe", TEXT_PRODUCT_EXE));
  Child prefixed(scratch.CopyAs("stand_in_process.exe", kPrefixedExe));
  Child doubled(scratch.CopyAs("stand_in_process.exe", kDoubledExe));
  ASSERT_TRUE(exact.Started() && prefixed.Started() && doubled.Started());

  KillProcessesByName(TEXT_PRODUCT_EXE);

  ASSERT_EQ(exact.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode);
  EXPECT_TRUE(prefixed.Running());
  EXPECT_TRUE(doubled.Running());
}

// --- EnsureSingleInstance -------------------------------------------------

TEST(EnsureSingleInstance, FirstInstanceReturnsAndKeepsTheGuardOpen) {
  NamedSignal returned("Returned");
  Child first(Driver(), returned.name());
  ASSERT_TRUE(first.Started());

  ASSERT_TRUE(returned.SeenWithin(kProcessTimeoutMs)) << "EnsureSingleInstance did not return";
  HANDLE guard = OpenMutexA(SYNCHRONIZE, FALSE, TEXT_GUARD_MUTEX);
  EXPECT_NE(guard, nullptr) << "OpenMutexA(BraskFlag) failed: " << GetLastError();
  if (guard != nullptr) CloseHandle(guard);
  EXPECT_TRUE(first.Running());
}

TEST(EnsureSingleInstance, FirstInstanceLeavesAnExistingMainWindowAlone) {
  MainWindow window;
  ASSERT_NE(window.handle(), nullptr) << "CreateWindowA failed";
  ASSERT_TRUE(IsIconic(window.handle()));
  NamedSignal returned("Returned");
  Child first(Driver(), returned.name());
  ASSERT_TRUE(first.Started());

  ASSERT_TRUE(returned.SeenWithin(kProcessTimeoutMs)) << "EnsureSingleInstance did not return";
  EXPECT_TRUE(IsIconic(window.handle())) << "the first instance must not look for a window";
}

TEST(EnsureSingleInstance, SecondInstanceRestoresTheMinimisedMainWindowAndExitsWith1) {
  HeldGuard guard;
  MainWindow window;
  ASSERT_NE(window.handle(), nullptr) << "CreateWindowA failed";
  ASSERT_TRUE(IsIconic(window.handle()));
  NamedSignal returned("Returned");
  Child second(Driver(), returned.name());
  ASSERT_TRUE(second.Started());

  // A message box would keep the process from ending in time.
  EXPECT_EQ(second.ExitCodeWithin(kProcessTimeoutMs), kSecondInstanceExitCode);
  EXPECT_FALSE(IsIconic(window.handle()));
  EXPECT_FALSE(returned.SeenWithin(0)) << "a second instance returned from EnsureSingleInstance";
  EXPECT_EQ(FindWindowA("#32770", TEXT_ERROR_CAPTION), nullptr);
}

TEST(EnsureSingleInstance, SecondInstanceWithoutMainWindowAsksThenEndsTheProductAndExitsWith1) {
  HeldGuard guard;
  ScratchFolder scratch;
  Child product(scratch.CopyAs("stand_in_process.exe", TEXT_PRODUCT_EXE));
  Child upperCase(scratch.CopyAs("stand_in_process.exe", kUpperCaseExe));
  ASSERT_TRUE(product.Started() && upperCase.Started());
  Child second(Driver());
  ASSERT_TRUE(second.Started());

  HWND dialog = WaitForWindow("#32770", TEXT_ERROR_CAPTION, kProcessTimeoutMs);
  ASSERT_NE(dialog, nullptr) << "no message box captioned with the error caption";
  EXPECT_TRUE(DialogShowsText(dialog, TEXT_ALREADY_RUNNING));
  EXPECT_TRUE(product.Running()) << "a process was ended before the user pressed OK";
  PressOk(dialog);

  EXPECT_EQ(product.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode);
  EXPECT_EQ(second.ExitCodeWithin(kProcessTimeoutMs), kSecondInstanceExitCode);
  EXPECT_TRUE(upperCase.Running());
}

TEST(EnsureSingleInstance, SecondStartWhileTheFirstIsStillStartingRestoresItsLateWindowAndEndsNothing) {
  ScratchFolder scratch;
  NamedSignal returned("Returned"), show("Show");
  // Both run as the product, so a recovery by name would end them both.
  Child first(scratch.CopyAs("single_instance_driver.exe", TEXT_PRODUCT_EXE), returned.name() + " " + show.name());
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(returned.SeenWithin(kProcessTimeoutMs)) << "the first instance did not take the guard";
  Child second(scratch.CopyAs("single_instance_driver.exe", TEXT_PRODUCT_EXE));
  ASSERT_TRUE(second.Started());

  HWND dialog = WaitForWindow("#32770", TEXT_ERROR_CAPTION, kProcessTimeoutMs);
  ASSERT_NE(dialog, nullptr) << "no message box while the first instance had no window";
  show.Set();
  HWND window = WaitForWindow(nullptr, TEXT_MAIN_WINDOW_TITLE, kProcessTimeoutMs);
  ASSERT_NE(window, nullptr) << "the first instance did not show its window";
  ASSERT_TRUE(BecomesIconic(window, kProcessTimeoutMs));
  PressOk(dialog);

  EXPECT_EQ(second.ExitCodeWithin(kProcessTimeoutMs), kSecondInstanceExitCode);
  EXPECT_FALSE(IsIconic(window)) << "the window that appeared before OK was not restored";
  EXPECT_TRUE(first.Running()) << "the recovery ended the instance that was only starting";
}

TEST(EnsureSingleInstance, SecondStartRunningAsTheProductEndsTheWindowlessFirstAndExitsWith1) {
  ScratchFolder scratch;
  NamedSignal returned("Returned");
  Child first(scratch.CopyAs("single_instance_driver.exe", TEXT_PRODUCT_EXE), returned.name());
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(returned.SeenWithin(kProcessTimeoutMs)) << "the first instance did not take the guard";
  Child second(scratch.CopyAs("single_instance_driver.exe", TEXT_PRODUCT_EXE));
  ASSERT_TRUE(second.Started());

  HWND dialog = WaitForWindow("#32770", TEXT_ERROR_CAPTION, kProcessTimeoutMs);
  ASSERT_NE(dialog, nullptr) << "no message box captioned with the error caption";
  // Started after the second start: the recovery must reach it wherever the
  // snapshot lists it.
  Child later(scratch.CopyAs("stand_in_process.exe", TEXT_PRODUCT_EXE));
  ASSERT_TRUE(later.Started());
  PressOk(dialog);

  EXPECT_EQ(first.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode) << "the hung first instance was not ended";
  EXPECT_EQ(later.ExitCodeWithin(kProcessTimeoutMs), kKilledExitCode);
  EXPECT_EQ(second.ExitCodeWithin(kProcessTimeoutMs), kSecondInstanceExitCode) << "the second start ended itself";
}
