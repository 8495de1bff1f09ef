// A Java runtime ships the C runtime its jvm.dll was built with in
// <runtime>\bin, but the system looks for jvm.dll's dependencies in the
// program's directory, the system directories and PATH, not in bin.  On a
// machine without the matching Visual C++ redistributable jvm.dll would not
// load (error 126).  Loaded here by full path first, the C runtime is already
// in the process when jvm.dll asks for it by name, as the JDK's own launcher
// arranges; the DLL search of the rest of the process is left as it is.
#include "host/bounded_text.h"
#include "host/runtime/runtime.h"
#include "host/trace.h"

namespace {

// In the order they depend on each other: vcruntime140_1 needs vcruntime140.
const char* const kRuntimeCrts[] = {"msvcr100.dll", "vcruntime140.dll", "vcruntime140_1.dll"};

}  // namespace

void PreloadRuntimeCrt(const char* javaHome) {
  for (const char* name : kRuntimeCrts) {
    char path[kPathCapacity];
    if (!FormatInto(path, sizeof path, "%s\\bin\\%s", javaHome, name)) continue;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) continue;  // not every runtime has each
    // Never freed: jvm.dll, which needs it, stays loaded for good.  The altered
    // search lets this DLL's own dependencies come from bin as well.
    if (LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) == nullptr) {
      TraceFailureDetail(TRACE_CRT_NOT_LOADED, path, GetLastError());
    }
  }
}
