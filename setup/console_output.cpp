// Standard error, for the lines an administrator or an installer reads.  A
// console takes UTF-16 (WriteConsoleW: Chinese on every code page); a file
// or a pipe gets UTF-8, which an installer reads whatever the code page.
#include <string>

#include "setup/code_pages.h"
#include "setup/setup.h"

void WriteErrorLine(const std::wstring& line) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;  // started without one: nobody reads it
  const std::wstring text = line + L"\r\n";
  DWORD mode = 0;
  DWORD written = 0;
  // A refused write has nowhere else to go; the exit code still tells.
  if (GetConsoleMode(error, &mode)) {
    WriteConsoleW(error, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string utf8 = Utf8FromWide(text.c_str());
  WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
