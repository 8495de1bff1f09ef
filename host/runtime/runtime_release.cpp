// The Java version of the runtime whose jvm.dll is in use: from the
// runtime's `release` file (JAVA_VERSION="17.0.9"), which every runtime since
// Java 7 ships at its root beside bin, else from jvm.dll's version resource,
// else, for the permanent-generation options alone, from the layout.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/text/bounded_text.h"
#include "host/runtime/runtime.h"
#include "host/trace/trace_file.h"

namespace {

constexpr int kLevelsAboveJvm = 3;  // jvm.dll, server, bin
constexpr int kFirstModularVersion = 9;
constexpr int kFirstVersionWithoutPermOptions = 17;

HMODULE JvmModule(const JvmEntryPoints* entryPoints) {
  HMODULE module = nullptr;
  if (entryPoints == nullptr || entryPoints->createJavaVM == nullptr ||
      !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(entryPoints->createJavaVM), &module)) {
    return nullptr;
  }
  return module;
}

// The runtime home of jvm.dll: <home>\bin\server\jvm.dll.
bool RuntimeHomeOf(HMODULE module, char* home, int capacity) {
  if (module == nullptr) return false;
  wchar_t path[kPathCapacity];
  DWORD length = GetModuleFileNameW(module, path, kPathCapacity);
  if (length == 0 || length >= static_cast<DWORD>(kPathCapacity) || !AnsiPathFromWide(path, home, capacity)) {
    return false;
  }
  for (int level = 0; level < kLevelsAboveJvm; ++level) {
    char* slash = strrchr(home, '\\');
    if (slash == nullptr) return false;
    *slash = '\0';
  }
  return true;
}

int ReleaseFeatureVersion(const char* home) {
  char path[kPathCapacity];
  if (!FormatInto(path, sizeof path, "%s\\release", home)) return 0;
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

// lib\modules, the runtime image of the module system, exists from Java 9 on.
bool IsModularRuntime(const char* home) {
  char path[kPathCapacity];
  if (!FormatInto(path, sizeof path, "%s\\lib\\modules", home)) return false;
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int FeatureVersionOf(HMODULE jvm, const char* home) {
  int version = ReleaseFeatureVersion(home);
  if (version > 0) return version;
  version = ModuleFileFeatureVersion(jvm);
  // Before Java 9 HotSpot numbered jvm.dll by its own version (10 to 25 for
  // Java 6 to 8), so a number from 9 on counts only in a modular runtime.
  if (version >= kFirstModularVersion && !IsModularRuntime(home)) return 0;
  return version;
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

bool JvmTakesPermanentGenerationOptions(const JvmEntryPoints* entryPoints) {
  HMODULE jvm = JvmModule(entryPoints);
  char home[kPathCapacity];
  if (!RuntimeHomeOf(jvm, home, sizeof home)) return true;
  int version = FeatureVersionOf(jvm, home);
  TraceRuntimeVersion(version);
  if (version > 0) return version < kFirstVersionWithoutPermOptions;
  // From Java 9 on the options do nothing (9 to 16 ignore them with a
  // warning, 17 and later refuse them): a modular runtime of unknown version
  // goes without.  Any other runtime of unknown version gets them as always.
  return !IsModularRuntime(home);
}
