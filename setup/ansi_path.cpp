// The paths the system gives, in a form the A functions take on any Windows.
// The exact spelling in the ANSI code page keeps every call as it always was;
// a name the code page cannot spell (a Korean user name, an emoji) would come
// out as "?" and name nothing, so its short (8.3) form stands in for it.  A
// short name is made in the OEM code page and need not be ASCII, so it is
// spelled again.
#include <vector>

#include "setup/code_pages.h"
#include "setup/setup.h"
#include "setup/trace.h"

namespace {

// The short form of path, or false with the error code.  GetShortPathNameW
// hands back a component that has no short name unchanged.
bool ShortForm(const wchar_t* path, std::wstring* shortPath, DWORD* error) {
  const DWORD size = GetShortPathNameW(path, nullptr, 0);
  if (size == 0) {
    *error = GetLastError();
    return false;
  }
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetShortPathNameW(path, buffer.data(), size);
  if (length == 0 || length >= size) {
    *error = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  shortPath->assign(buffer.data(), length);
  return true;
}

}  // namespace

bool AnsiPathFor(const wchar_t* path, std::string* ansi, DWORD* error) {
  if (AnsiSpelling(path, ansi)) return true;
  std::wstring shortPath;
  if (!ShortForm(path, &shortPath, error)) return false;
  if (AnsiSpelling(shortPath.c_str(), ansi)) return true;
  // The volume keeps no short name for it (8.3 names switched off), or the
  // short name holds an OEM character the ANSI code page cannot spell.
  *error = ERROR_NO_UNICODE_TRANSLATION;
  return false;
}

bool NameFolderForAnsiCalls(const wchar_t* folder, const char* traceStep, std::string* ansi) {
  DWORD error = ERROR_SUCCESS;
  if (AnsiPathFor(folder, ansi, &error)) return true;
  TraceStepFailureWide(traceStep, folder, error);
  return false;
}
