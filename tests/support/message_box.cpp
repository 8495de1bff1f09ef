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

std::wstring DismissMessageBoxWide(DWORD processId, const wchar_t* caption, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    HWND box = FindWindowW(L"#32770", caption);
    DWORD owner = 0;
    wchar_t text[4096] = L"";
    // Read once shown: while the box is being made its text is not there yet.
    if (box != nullptr && GetWindowThreadProcessId(box, &owner) && owner == processId && IsWindowVisible(box) &&
        GetDlgItemTextW(box, 0xFFFF, text, 4096) > 0) {
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return text;
    }
    Sleep(50);
  }
  return L"<no message box>";
}
