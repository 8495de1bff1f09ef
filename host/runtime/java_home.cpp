// Choosing the Java runtime: one under the application home ("jre" first,
// then the home itself), else the runtime the machine has registered, else
// one of the places newer Java installations use.
#include <cstring>

#include "host/text/bounded_text.h"
#include "host/runtime/runtime.h"
#include "host/trace/course_texts.h"
#include "host/trace/trace_file.h"

namespace {

const char kJvmType[] = "server";

// A file-status query that succeeds counts, so a directory of that name does.
bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool ProbeUnderHome(const char* home, const char* format) {
  char probe[kPathCapacity];
  return FormatInto(probe, sizeof probe, format, home) && PathExists(probe);
}

}  // namespace

bool FindJavaHome(char* destination, int capacity) {
  if (ReadAppHome(destination, capacity)) {
    // A candidate whose path would not fit its buffer is passed over, never cut.
    bool found = false;
    if (ProbeUnderHome(destination, "%s\\jre\\bin\\java.dll")) {
      int length = static_cast<int>(strlen(destination));
      found = AppendInto(destination, capacity, &length, "\\jre");
    }
    if ((found || ProbeUnderHome(destination, "%s\\bin\\java.dll")) &&
        !RuntimeRefusedForRelay(COURSE_FROM_APP_HOME, destination)) {
      TraceRuntimeTaken(COURSE_FROM_APP_HOME, destination);
      return true;
    }
  }
  if (ReadRegistryJavaHome(destination, capacity) && !RuntimeRefusedForRelay(COURSE_FROM_REGISTERED, destination)) {
    TraceRuntimeTaken(COURSE_FROM_REGISTERED, destination);
    return true;
  }
  return FindFurtherJavaHome(destination, capacity);
}

bool BuildJvmLibraryPath(const char* javaHome, char* destination, int capacity) {
  return FormatInto(destination, capacity, "%s\\bin\\%s\\jvm.dll", javaHome, kJvmType);
}
