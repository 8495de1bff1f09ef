// The two composed start options of the virtual machine: the class path
// (the home's classes directory and every jar of its lib directory, nothing
// else) and the native library path (the Windows directory).
#include <cstring>
#include <cwchar>
#include <memory>

#include "host/text/bounded_text.h"
#include "host/host.h"
#include "host/vm/startup_failure.h"
#include "host/trace/trace.h"

namespace {

bool ReadAppHomeForStartup(char* home, int capacity) {
  if (ReadAppHome(home, capacity)) return true;
  TraceFailure(TRACE_NO_APP_HOME, 0);
  NoteStartupMiss(StartupMiss::kAppHome);
  return false;
}

}  // namespace

bool NamesAJar(const wchar_t* fileName) {
  const wchar_t kSuffix[] = L".jar";
  const size_t suffixLength = sizeof kSuffix / sizeof kSuffix[0] - 1;
  size_t length = fileName == nullptr ? 0 : wcslen(fileName);
  return length >= suffixLength && _wcsicmp(fileName + length - suffixLength, kSuffix) == 0;
}

bool CheckAppHome() {
  char home[kPathCapacity];
  return ReadAppHomeForStartup(home, sizeof home);
}

bool BuildClassPathOption(char* destination, int capacity) {
  char home[kPathCapacity];
  if (!ReadAppHomeForStartup(home, sizeof home)) return false;

  std::unique_ptr<char[]> option(new (std::nothrow) char[kClassPathCapacity]);
  if (!option) return false;
  // No quotes around the value: the virtual machine takes an option's text as
  // it is, so a quote would become part of the first and the last entry and
  // both would name nothing (the last jar, or the classes directory, lost).
  // No current directory either: a class loader asks its entries in order,
  // and the launcher's current directory is wherever the user or a file
  // association started it; a class lying there would replace the
  // application's own, or join it as one it looks for and does not ship.
  if (!FormatInto(option.get(), kClassPathCapacity, "-Djava.class.path=%s\\classes", home)) return false;
  int length = static_cast<int>(strlen(option.get()));

  char libraryDir[kPathCapacity];
  char pattern[kPathCapacity];
  if (!FormatInto(libraryDir, sizeof libraryDir, "%s\\lib\\", home)) return false;
  if (!FormatInto(pattern, sizeof pattern, "%s*.jar", libraryDir)) return false;

  // The jars' names are read wide, and each is given as the code page spells
  // it or else by its short name; one with neither cannot be named to the
  // virtual machine and is left out.
  bool fits = true;
  wchar_t widePattern[kPathCapacity];
  WIN32_FIND_DATAW entry;
  HANDLE search = MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, kPathCapacity) > 0
                      ? FindFirstFileW(widePattern, &entry)
                      : INVALID_HANDLE_VALUE;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !NamesAJar(entry.cFileName)) continue;
      char name[kPathCapacity];
      if (!SpellInAnsiCodePage(entry.cFileName, name, sizeof name) &&
          (entry.cAlternateFileName[0] == L'\0' || !SpellInAnsiCodePage(entry.cAlternateFileName, name, sizeof name))) {
        char named[3 * kPathCapacity];
        if (Utf8FromWide(entry.cFileName, named, sizeof named)) TraceFailureDetail(TRACE_FOLDER_NAME_UNUSABLE, named, 0);
        continue;
      }
      fits = AppendInto(option.get(), kClassPathCapacity, &length, ";") &&
             AppendInto(option.get(), kClassPathCapacity, &length, libraryDir) &&
             AppendInto(option.get(), kClassPathCapacity, &length, name);
    } while (fits && FindNextFileW(search, &entry));
    FindClose(search);
  }
  if (!fits || destination == nullptr || length >= capacity) {
    TraceFailure(TRACE_CLASS_PATH_TOO_LONG, 0);
    return false;
  }
  memcpy(destination, option.get(), static_cast<size_t>(length) + 1);
  return true;
}

bool BuildLibraryPathOption(char* destination, int capacity) {
  wchar_t wideWindowsDir[kPathCapacity];
  UINT length = GetWindowsDirectoryW(wideWindowsDir, kPathCapacity);
  if (length == 0 || length >= static_cast<UINT>(kPathCapacity)) return false;
  char windowsDir[kPathCapacity];
  if (!AnsiPathFromWide(wideWindowsDir, windowsDir, sizeof windowsDir)) return false;
  return FormatInto(destination, capacity, "-Djava.library.path=%s", windowsDir);
}
