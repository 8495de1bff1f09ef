// Deleting a registry key with everything below it, depth first.
#include "host/host.h"

LONG DeleteRegTree(HKEY parent, const char* name) {
  if (name == nullptr || name[0] == '\0') return ERROR_BADKEY;
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(parent, name, 0, DELETE | KEY_ENUMERATE_SUB_KEYS, &key);
  if (result != ERROR_SUCCESS) return result;
  for (;;) {
    // Always index 0: the child found last time is gone by now.
    char child[256];
    DWORD childLength = sizeof child;
    result = RegEnumKeyExA(key, 0, child, &childLength, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) {
      result = RegDeleteKeyA(parent, name);
      break;
    }
    if (result != ERROR_SUCCESS) break;
    result = DeleteRegTree(key, child);
    if (result != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return result;
}
