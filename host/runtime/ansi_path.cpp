// Paths are read from the system in their wide form and handed on in 8 bits:
// the A functions and the virtual machine's options (HotSpot takes them in
// the ANSI code page) need that form.  A name the code page cannot spell
// would come back from an A function with '?' or a "best fit" look-alike in
// it, naming nothing; its short (8.3) name names the same file.  A short name
// is made in the OEM code page, so it is mostly ASCII but need not be: it is
// spelled again like any other name.
#include <cstring>

#include "host/host.h"
#include "host/vm/startup_failure.h"
#include "host/trace/trace.h"

bool SpellInCodePage(UINT codePage, const wchar_t* text, char* destination, int capacity) {
  if (text == nullptr || destination == nullptr || capacity <= 0) return false;
  // UTF-8 (a Windows 10 option for the ANSI code page) spells every text but
  // a lone surrogate, and refuses both the no-best-fit flag and the
  // used-default query; without WC_ERR_INVALID_CHARS the surrogate would
  // silently become U+FFFD and the name would name nothing.
  bool utf8 = codePage == CP_UTF8;
  BOOL usedDefault = FALSE;
  int written = WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, text, -1,
                                    destination, capacity, nullptr, utf8 ? nullptr : &usedDefault);
  // The caller tells a text too long for destination from one the code page
  // cannot spell by the last error (ERROR_NO_UNICODE_TRANSLATION both for a
  // default character and for UTF-8's refusal).
  if (written > 0 && usedDefault) SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  return written > 0 && !usedDefault;
}

bool SpellInAnsiCodePage(const wchar_t* text, char* destination, int capacity) {
  return SpellInCodePage(GetACP(), text, destination, capacity);
}

bool AnsiPathFromWide(const wchar_t* path, char* destination, int capacity) {
  if (path == nullptr || destination == nullptr || capacity <= 0) return false;
  char ansi[kPathCapacity];
  bool spelled = SpellInAnsiCodePage(path, ansi, sizeof ansi);
  // Too long for any buffer here: passed over, as the 8-bit read passes over
  // a value that does not fit.
  if (!spelled && GetLastError() == ERROR_INSUFFICIENT_BUFFER) return false;
  DWORD error = NO_ERROR;
  if (!spelled) {
    wchar_t shortPath[kPathCapacity];
    DWORD length = GetShortPathNameW(path, shortPath, kPathCapacity);
    if (length == 0) {
      error = GetLastError();
    } else if (length >= static_cast<DWORD>(kPathCapacity)) {
      error = ERROR_FILENAME_EXCED_RANGE;
    } else {
      // A volume without short names gives the long name back unchanged, and
      // a short name holds OEM characters the ANSI code page may not spell.
      spelled = SpellInAnsiCodePage(shortPath, ansi, sizeof ansi);
      if (!spelled) error = ERROR_NO_UNICODE_TRANSLATION;
    }
  }
  if (!spelled) {
    char named[3 * kPathCapacity];
    if (!Utf8FromWide(path, named, sizeof named)) named[0] = '\0';
    TraceFailureDetail(TRACE_FOLDER_NAME_UNUSABLE, named, error);
    // A folder that is not there is simply missing.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) NoteUnusableFolder();
    return false;
  }
  size_t length = strlen(ansi);
  if (length >= static_cast<size_t>(capacity)) return false;
  memcpy(destination, ansi, length + 1);
  return true;
}
