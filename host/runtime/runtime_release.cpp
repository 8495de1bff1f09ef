// The Java version of the runtime whose jvm.dll is in use, from the runtime's
// `release` file (JAVA_VERSION="17.0.9").  Every runtime since Java 7 ships
// that file at its root, beside bin.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/bounded_text.h"
#include "host/runtime/runtime.h"

namespace {

constexpr int kLevelsAboveJvm = 3;  // jvm.dll, server, bin

// The runtime home of the module that holds `address`: <home>\bin\server\jvm.dll.
bool RuntimeHomeOf(const void* address, char* home, int capacity) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module)) {
    return false;
  }
  DWORD length = GetModuleFileNameA(module, home, static_cast<DWORD>(capacity));
  if (length == 0 || length >= static_cast<DWORD>(capacity)) return false;
  for (int level = 0; level < kLevelsAboveJvm; ++level) {
    char* slash = strrchr(home, '\\');
    if (slash == nullptr) return false;
    *slash = '\0';
  }
  return true;
}

}  // namespace

int ParseJavaFeatureVersion(const char* releaseText) {
  const char kKey[] = "JAVA_VERSION=";
  for (const char* line = releaseText; line != nullptr && *line != '\0';) {
    if (strncmp(line, kKey, sizeof kKey - 1) == 0) {
      const char* value = line + sizeof kKey - 1;
      if (*value == '"') ++value;
      // Up to Java 8 the version reads "1.8.0_392"; from Java 9 on "17.0.9".
      if (strncmp(value, "1.", 2) == 0) value += 2;
      if (*value < '0' || *value > '9') return 0;
      long version = strtol(value, nullptr, 10);
      return version > 0 && version < 1000 ? static_cast<int>(version) : 0;
    }
    line = strchr(line, '\n');
    if (line != nullptr) ++line;
  }
  return 0;
}

int JvmFeatureVersion(const JvmEntryPoints* entryPoints) {
  char path[kPathCapacity];
  if (entryPoints == nullptr || entryPoints->createJavaVM == nullptr ||
      !RuntimeHomeOf(reinterpret_cast<const void*>(entryPoints->createJavaVM), path, sizeof path)) {
    return 0;
  }
  int length = static_cast<int>(strlen(path));
  if (!AppendInto(path, sizeof path, &length, "\\release")) return 0;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  // The version is among the first lines; the rest of the file does not matter.
  char text[4096];
  DWORD read = 0;
  BOOL ok = ReadFile(file, text, sizeof text - 1, &read, nullptr);
  CloseHandle(file);
  if (!ok) return 0;
  text[read] = '\0';
  return ParseJavaFeatureVersion(text);
}
