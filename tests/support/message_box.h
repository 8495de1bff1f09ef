// The launcher's failure box, as a user meets it: found by its caption and
// owner, read, and dismissed with OK.
#pragma once

#include <windows.h>

#include <string>

// The box's text once processId shows it, after OK was pressed; "<no message
// box>" when none came within timeoutMs.
std::string DismissMessageBox(DWORD processId, DWORD timeoutMs);

// A box of processId, found by its class and owner whatever its caption, read
// as Unicode, and dismissed with OK.
struct WideMessageBox {
  bool shown = false;
  std::wstring caption;
  std::wstring text;
};
WideMessageBox DismissMessageBoxWide(DWORD processId, DWORD timeoutMs);
