// Texts handed to the wide (W) functions.  The fixed texts are GBK bytes on
// every system, so they are read with code page 936 itself; what the system
// or the virtual machine says in 8 bits is in the process's ANSI code page.
// On a 936 system both readings are the same.
#include <cstring>

#include "host/host.h"

bool AppendWide(wchar_t* destination, int capacity, int* length, UINT codePage, const char* text) {
  if (text == nullptr || text[0] == '\0') return true;
  if (*length < 0 || *length >= capacity) return false;
  int room = capacity - *length - 1;
  int units = MultiByteToWideChar(codePage, 0, text, static_cast<int>(strlen(text)), destination + *length, room);
  // A text that does not fit leaves destination as it was.
  if (units <= 0) {
    destination[*length] = L'\0';
    return false;
  }
  *length += units;
  destination[*length] = L'\0';
  return true;
}

bool WideFromGbk(const char* text, wchar_t* destination, int capacity) {
  int length = 0;
  if (capacity <= 0) return false;
  destination[0] = L'\0';
  return AppendWide(destination, capacity, &length, kGbkCodePage, text);
}

bool Utf8FromWide(const wchar_t* text, char* destination, int capacity) {
  if (capacity <= 0) return false;
  // Without WC_ERR_INVALID_CHARS: this names a folder in a trace, where a
  // lone surrogate shown as U+FFFD still tells support which one it is.  Names
  // handed on to Windows or the virtual machine are spelled strictly
  // (SpellInCodePage).
  destination[0] = '\0';
  return WideCharToMultiByte(CP_UTF8, 0, text, -1, destination, capacity, nullptr, nullptr) > 0;
}

bool Utf8FolderName(const char* path, char* destination, int capacity) {
  wchar_t wide[kPathCapacity];
  int length = 0;
  wide[0] = L'\0';
  if (!AppendWide(wide, kPathCapacity, &length, CP_ACP, path)) return false;
  // A short name stands for a name the code page cannot spell: support reads
  // the long one.  A path that is not there is named as it was given.
  wchar_t longName[kPathCapacity];
  DWORD longLength = GetLongPathNameW(wide, longName, kPathCapacity);
  return Utf8FromWide(longLength > 0 && longLength < static_cast<DWORD>(kPathCapacity) ? longName : wide, destination,
                      capacity);
}
