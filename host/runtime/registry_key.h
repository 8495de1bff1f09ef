// An open registry key that closes itself on every path out of its scope.
#pragma once

#include <windows.h>

struct KeyHolder {
  HKEY key = nullptr;
  KeyHolder() = default;
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  ~KeyHolder() {
    if (key != nullptr) RegCloseKey(key);
  }
};
