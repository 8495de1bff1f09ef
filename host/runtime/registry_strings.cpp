// Reading the application home and the registered Java runtime from
// HKEY_LOCAL_MACHINE.  Every string value is read in two steps (type and
// size first, then the data) and must be REG_SZ; paths are read in their
// wide form.
#include <cstring>
#include <cwchar>

#include "host/runtime/runtime.h"
#include "host/runtime/registry_key.h"

namespace {

const char kAppKey[] = "Software\\JavaSoft\\Prefs\\Velmo";
const char kAppHomeValue[] = "VelmoHome";
constexpr int kValueNameCapacity = 64;
const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kCurrentVersionValue[] = "CurrentVersion";
const char kJavaHomeValue[] = "JavaHome";

// Reads a REG_SZ whose stored size (terminator included) is below capacity.
// A value stored without its terminating zero is completed here: the byte
// after the stored data is always inside the buffer and set to zero.
bool ReadStringValue(HKEY key, const char* valueName, char* destination, int capacity) {
  if (destination == nullptr || capacity <= 0) return false;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ || size >= static_cast<DWORD>(capacity)) return false;
  DWORD readSize = size;
  if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(destination), &readSize) !=
      ERROR_SUCCESS) {
    return false;
  }
  // The value may have changed between the two queries; only what fits counts.
  if (type != REG_SZ || readSize > size) return false;
  destination[readSize] = '\0';
  return true;
}

// The wide twin of ReadStringValue; capacity counts UTF-16 units.
bool ReadWideStringValue(HKEY key, const char* valueName, wchar_t* destination, int capacity) {
  wchar_t name[kValueNameCapacity];
  if (MultiByteToWideChar(CP_ACP, 0, valueName, -1, name, kValueNameCapacity) <= 0) return false;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ || size >= static_cast<DWORD>(capacity) * sizeof(wchar_t)) return false;
  DWORD readSize = size;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(destination), &readSize) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ || readSize > size) return false;
  destination[readSize / sizeof(wchar_t)] = L'\0';
  return true;
}

// Backslashes are dropped from the wide text: in the ANSI form a 0x5C byte
// may be the second byte of a character (GBK, Shift-JIS, Big5).
size_t DropTrailingBackslashes(wchar_t* text, bool all) {
  size_t length = wcslen(text);
  while (length > 0 && text[length - 1] == L'\\') {
    text[--length] = L'\0';
    if (!all) break;
  }
  return length;
}

}  // namespace

bool ReadRegPath(HKEY key, const char* valueName, char* destination, int capacity, bool dropTrailingBackslashes) {
  wchar_t path[kPathCapacity];
  if (!ReadWideStringValue(key, valueName, path, kPathCapacity)) return false;
  if (dropTrailingBackslashes) DropTrailingBackslashes(path, true);
  return AnsiPathFromWide(path, destination, capacity);
}

bool ReadRegString(HKEY key, const char* valueName, char* destination, int capacity) {
  return ReadStringValue(key, valueName, destination, capacity);
}

bool ReadAppHome(char* destination, int capacity) {
  KeyHolder app;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_READ, &app.key) != ERROR_SUCCESS) return false;
  wchar_t wideHome[kPathCapacity];
  if (!ReadWideStringValue(app.key, kAppHomeValue, wideHome, kPathCapacity)) return false;
  // An empty value names no directory: callers would build paths from the
  // drive-relative "\classes", so it counts as no home at all.
  if (DropTrailingBackslashes(wideHome, false) == 0) return false;
  char home[kPathCapacity];
  if (!AnsiPathFromWide(wideHome, home, sizeof home)) return false;
  size_t length = strlen(home);
  if (destination == nullptr || length >= static_cast<size_t>(capacity)) return false;
  memcpy(destination, home, length + 1);
  return true;
}

bool ReadRegistryJavaHome(char* destination, int capacity) {
  KeyHolder runtime;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRuntimeKey, 0, KEY_READ, &runtime.key) != ERROR_SUCCESS) return false;
  char version[kPathCapacity];
  if (!ReadStringValue(runtime.key, kCurrentVersionValue, version, sizeof version)) return false;
  KeyHolder current;
  if (RegOpenKeyExA(runtime.key, version, 0, KEY_READ, &current.key) != ERROR_SUCCESS) return false;
  return ReadRegPath(current.key, kJavaHomeValue, destination, capacity, false);
}
