// Inside the host: whether a jvm.dll is one this 64-bit process can load.
#pragma once

#include <windows.h>

enum class JvmImageCheck {
  kX64,         // a PE image for x64 (machine 0x8664)
  kMissing,     // nothing of that name
  kUnreadable,  // there, but it cannot be opened or read
  kNotX64,      // a 32-bit or other machine's image, or no PE image at all
};

// Reads the DOS header's e_lfanew and the PE header's Machine field of path.
// error (out): the Windows error code behind any result but kX64;
// ERROR_BAD_EXE_FORMAT for kNotX64, as LoadLibraryA would report it.
JvmImageCheck CheckJvmImage(const char* path, DWORD* error);
