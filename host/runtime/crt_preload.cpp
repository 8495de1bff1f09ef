// Where Windows refuses the runtime's bin as the DLL directory (a path with a
// ';'), the runtime's own C and C++ runtimes are loaded by full path before
// jvm.dll instead, as the JDK's own launcher arranges: a DLL already in the
// process satisfies every later import of its name, jvm.dll's and those of
// the native libraries the Java application loads later.
#include "host/text/bounded_text.h"
#include "host/runtime/runtime.h"
#include "host/trace/trace.h"

namespace {

// In the order they depend on each other: msvcp120 needs msvcr120,
// vcruntime140_1 and msvcp140 need vcruntime140.
const char* const kRuntimeCrts[] = {"msvcr100.dll",       "msvcr120.dll", "msvcp120.dll", "vcruntime140.dll",
                                    "vcruntime140_1.dll", "msvcp140.dll"};

}  // namespace

void PreloadRuntimeCrt(const char* javaHome) {
  for (const char* name : kRuntimeCrts) {
    char path[kPathCapacity];
    if (!FormatInto(path, sizeof path, "%s\\bin\\%s", javaHome, name)) continue;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) continue;  // not every runtime has each
    // Never freed: jvm.dll, which needs it, stays loaded for good.  The altered
    // search lets this DLL's own dependencies (the Universal C runtime of
    // vcruntime140.dll on Windows 7) come from bin as well.
    if (LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) == nullptr) {
      TraceFailureFolder(TRACE_CRT_NOT_LOADED, path, GetLastError());
    }
  }
}
