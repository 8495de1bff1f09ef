// A Java runtime's DLLs import what ships beside them in <runtime>\bin: the
// C and C++ runtimes it was built with (vcruntime140.dll for jvm.dll,
// msvcp140.dll for awt.dll, msvcr120.dll for Java 9 and 10) and, from Java 11
// on, the Universal C runtime for Windows 7 machines without it.  Windows
// looks for an import in the program's directory, the DLL directory, the
// system directories and PATH, but never in the importing DLL's own
// directory, and the Java application loads its native libraries by full
// path long after start-up.  So bin becomes the process's DLL directory
// before jvm.dll is loaded and stays so: every import of every library of the
// runtime is found there, on Windows 7 as on later versions, and the current
// directory, which the DLL directory replaces in the search, can no longer
// plant a DLL into the process.
#include "host/text/bounded_text.h"
#include "host/runtime/runtime.h"
#include "host/trace/trace.h"

bool UseRuntimeBinForDlls(const char* javaHome) {
  char bin[kPathCapacity];
  if (!FormatInto(bin, sizeof bin, "%s\\bin", javaHome)) {
    TraceFailureFolder(TRACE_DLL_DIRECTORY_REFUSED, javaHome, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  // Windows refuses a directory whose path holds a ';'.
  if (!SetDllDirectoryA(bin)) {
    TraceFailureFolder(TRACE_DLL_DIRECTORY_REFUSED, bin, GetLastError());
    return false;
  }
  return true;
}
