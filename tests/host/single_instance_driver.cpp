// Runs EnsureSingleInstance as a launcher would.  Having returned as the
// first instance, it sets the event named by the first argument (if any);
// with a second argument it waits for the event of that name and then shows
// the product's main window, minimised, as a Java application that takes a
// while to start would.  It holds the guard until the test ends it or a
// minute passes.
//
//   single_instance_driver [returned-event [show-window-event]]
#include <windows.h>

#include "host/host.h"
#include "host/text/texts.h"

namespace {

constexpr UINT kLifetimeMs = 60000;

void SignalEvent(const char* name) {
  HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
  if (event == nullptr) return;
  SetEvent(event);
  CloseHandle(event);
}

bool AwaitEvent(const char* name) {
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
  if (event == nullptr) return false;
  bool signalled = WaitForSingleObject(event, kLifetimeMs) == WAIT_OBJECT_0;
  CloseHandle(event);
  return signalled;
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

// The main window, served until the lifetime runs out.
void ShowMainWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MainWindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "JvmhostDriverMainWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA(windowClass.lpszClassName, TEXT_MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return;
  ShowWindow(window, SW_MINIMIZE);
  SetTimer(window, 1, kLifetimeMs, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) DestroyWindow(window);
    DispatchMessageA(&message);
  }
}

}  // namespace

int main(int argc, char** argv) {
  EnsureSingleInstance();
  if (argc > 1) SignalEvent(argv[1]);
  if (argc > 2 && AwaitEvent(argv[2])) {
    ShowMainWindow();
    return 0;
  }
  Sleep(kLifetimeMs);
  return 0;
}
