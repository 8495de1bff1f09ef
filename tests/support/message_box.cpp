#include "tests/support/message_box.h"

namespace {

const char kErrorCaption[] = "\xB4\xED\xCE\xF3";

}  // namespace

std::string DismissMessageBox(DWORD processId, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    HWND box = FindWindowA("#32770", kErrorCaption);
    DWORD owner = 0;
    if (box != nullptr && GetWindowThreadProcessId(box, &owner) && owner == processId) {
      char text[4096] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message's static control
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return text;
    }
    Sleep(50);
  }
  return "<no message box>";
}

namespace {

struct BoxSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK TakeBoxOfProcess(HWND window, LPARAM context) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(context);
  wchar_t className[16] = L"";
  DWORD owner = 0;
  if (GetClassNameW(window, className, 16) > 0 && wcscmp(className, L"#32770") == 0 &&
      GetWindowThreadProcessId(window, &owner) && owner == search->processId) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

WideMessageBox DismissMessageBoxWide(DWORD processId, DWORD timeoutMs) {
  WideMessageBox box;
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    BoxSearch search = {processId, nullptr};
    EnumWindows(TakeBoxOfProcess, reinterpret_cast<LPARAM>(&search));
    wchar_t caption[256] = L"";
    wchar_t text[4096] = L"";
    // Read once the box is shown: while it is being made it has neither yet.
    if (search.found != nullptr && IsWindowVisible(search.found) &&
        GetDlgItemTextW(search.found, 0xFFFF, text, 4096) > 0) {
      GetWindowTextW(search.found, caption, 256);
      PostMessageW(search.found, WM_COMMAND, IDOK, 0);
      box.shown = true;
      box.caption = caption;
      box.text = text;
      return box;
    }
    Sleep(50);
  }
  return box;
}
