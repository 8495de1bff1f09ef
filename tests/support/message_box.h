// The launcher's failure box, as a user meets it: found by its caption and
// owner, read, and dismissed with OK.
#pragma once

#include <windows.h>

#include <string>

// The box's text once processId shows it, after OK was pressed; "<no message
// box>" when none came within timeoutMs.
std::string DismissMessageBox(DWORD processId, DWORD timeoutMs);
// The same read as Unicode, the box found by its caption in UTF-16: a
// caption read through another code page is not found.
std::wstring DismissMessageBoxWide(DWORD processId, const wchar_t* caption, DWORD timeoutMs);
