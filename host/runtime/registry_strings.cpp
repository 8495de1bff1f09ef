// Reading the application home and the registered Java runtime from
// HKEY_LOCAL_MACHINE.  Every string value is read in two steps (type and
// size first, then the data) and must be REG_SZ.
#include <cstring>

#include "host/runtime/runtime.h"
#include "host/runtime/registry_key.h"

namespace {

const char kAppKey[] = "Software\\JavaSoft\\Prefs\\Velmo";
const char kAppHomeValue[] = "VelmoHome";
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

}  // namespace

bool ReadRegString(HKEY key, const char* valueName, char* destination, int capacity) {
  return ReadStringValue(key, valueName, destination, capacity);
}

bool ReadAppHome(char* destination, int capacity) {
  KeyHolder app;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_READ, &app.key) != ERROR_SUCCESS) return false;
  char home[kPathCapacity];
  if (!ReadStringValue(app.key, kAppHomeValue, home, sizeof home)) return false;

  size_t length = strlen(home);
  if (length > 0 && home[length - 1] == '\\') home[--length] = '\0';
  // An empty value names no directory: callers would build paths from the
  // drive-relative "\classes", so it counts as no home at all.
  if (length == 0) return false;
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
  return ReadRegString(current.key, kJavaHomeValue, destination, capacity);
}
