// Where else a Java runtime may be, once the application home and the
// "Java Runtime Environment" key have none: Java 9 and later register under
// "JRE" and "JDK" instead, Oracle's older JDKs under "Java Development Kit",
// the OpenJDK builds under keys of their own (for the machine or for the
// user), and many installations set only JAVA_HOME.  Unlike the first three places,
// these are only taken with a jvm.dll this process can load, so a stale or
// 32-bit registration gives way to the next place.
#include <cstring>

#include "host/text/bounded_text.h"
#include "host/host.h"
#include "host/runtime/pe_image.h"
#include "host/runtime/registry_key.h"
#include "host/runtime/runtime_search.h"
#include "host/trace/trace.h"
#include "host/trace/trace_file.h"

namespace {

// Same shape as the "Java Runtime Environment" key: CurrentVersion names
// the subkey whose JavaHome is the runtime.  Oracle's JDKs before Java 9
// registered as "Java Development Kit"; such a JDK is used through its jre.
const char* const kJavaSoftKeys[] = {"Software\\JavaSoft\\JRE", "Software\\JavaSoft\\JDK",
                                     "Software\\JavaSoft\\Java Development Kit"};

bool ReadJavaSoftHome(const char* productKey, char* home, int capacity, char* source, int sourceCapacity) {
  KeyHolder product;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, productKey, 0, KEY_READ, &product.key) != ERROR_SUCCESS) return false;
  char version[kPathCapacity];
  if (!ReadRegString(product.key, "CurrentVersion", version, sizeof version)) return false;
  KeyHolder current;
  if (RegOpenKeyExA(product.key, version, 0, KEY_READ, &current.key) != ERROR_SUCCESS) return false;
  FormatInto(source, sourceCapacity, "HKLM\\%s\\%s JavaHome", productKey, version);
  return ReadRegPath(current.key, "JavaHome", home, capacity, true);
}

// Read wide: Wine 8's GetEnvironmentVariableA cuts a multi-byte value short.
bool ReadJavaHomeVariable(char* home, int capacity) {
  wchar_t value[kPathCapacity];
  DWORD length = GetEnvironmentVariableW(L"JAVA_HOME", value, kPathCapacity);
  if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) return false;
  wchar_t* path = value;
  // Set by hand as "C:\Program Files\Java\jdk-17"; a quote names no directory.
  if (length >= 2 && value[0] == L'"' && value[length - 1] == L'"') {
    value[--length] = L'\0';
    ++path;
    --length;
  }
  while (length > 0 && path[length - 1] == L'\\') path[--length] = L'\0';
  // An empty value is passed over below, as the registry's empty homes are.
  if (length == 0) {
    home[0] = '\0';
    return capacity > 0;
  }
  return AnsiPathFromWide(path, home, capacity);
}

// The home in UTF-8, so the trace names it as it is on any system.
void TracePassedOver(const char* why, const char* source, const char* home, DWORD error) {
  char named[3 * kPathCapacity];
  if (!Utf8FolderName(home, named, sizeof named)) FormatInto(named, sizeof named, "%s", home);
  char detail[4 * kPathCapacity];
  FormatInto(detail, sizeof detail, "%s = %s", source, named);
  TraceFailureDetail(why, detail, error);
}

// Takes the candidate into destination when <home>\bin\server\jvm.dll is a
// 64-bit image, or, for a Java 8 JDK, whose runtime lies in its "jre"
// folder, <home>\jre\bin\server\jvm.dll; otherwise traces why not.
// Registered paths often end in a backslash, which their reading drops so
// the composed paths stay plain.
bool AcceptCandidate(const char* source, char* home, char* destination, int capacity) {
  size_t length = strlen(home);
  if (length == 0) {
    TracePassedOver(TRACE_RUNTIME_NO_JVM, source, home, ERROR_BAD_PATHNAME);
    return false;
  }
  char jvmPath[kPathCapacity];
  if (length >= static_cast<size_t>(capacity) || !BuildJvmLibraryPath(home, jvmPath, sizeof jvmPath)) {
    TracePassedOver(TRACE_RUNTIME_NO_JVM, source, home, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  DWORD error = NO_ERROR;
  JvmImageCheck check = CheckJvmImage(jvmPath, &error);
  char jdkRuntime[kPathCapacity];
  if (check == JvmImageCheck::kMissing && FormatInto(jdkRuntime, sizeof jdkRuntime, "%s\\jre", home) &&
      BuildJvmLibraryPath(jdkRuntime, jvmPath, sizeof jvmPath)) {
    DWORD jreError = NO_ERROR;
    JvmImageCheck jreCheck = CheckJvmImage(jvmPath, &jreError);
    if (jreCheck != JvmImageCheck::kMissing) {
      check = jreCheck;
      error = jreError;
      length = strlen(jdkRuntime);
      home = jdkRuntime;
    }
  }
  switch (check) {
    case JvmImageCheck::kX64:
      if (length >= static_cast<size_t>(capacity)) {
        TracePassedOver(TRACE_RUNTIME_NO_JVM, source, home, ERROR_FILENAME_EXCED_RANGE);
        return false;
      }
      if (RuntimeRefusedForRelay(source, home)) return false;
      memcpy(destination, home, length + 1);
      TraceRuntimeTaken(source, destination);
      return true;
    case JvmImageCheck::kMissing:
      TracePassedOver(TRACE_RUNTIME_NO_JVM, source, home, error);
      return false;
    case JvmImageCheck::kUnreadable:
      TracePassedOver(TRACE_RUNTIME_JVM_UNREADABLE, source, home, error);
      return false;
    case JvmImageCheck::kNotX64:
      TracePassedOver(TRACE_RUNTIME_JVM_NOT_X64, source, home, error);
      return false;
  }
  return false;
}

}  // namespace

bool FindFurtherJavaHome(char* destination, int capacity) {
  if (destination == nullptr || capacity <= 0) return false;
  char home[kPathCapacity];
  char source[kPathCapacity];

  for (const char* productKey : kJavaSoftKeys) {
    if (ReadJavaSoftHome(productKey, home, sizeof home, source, sizeof source) &&
        AcceptCandidate(source, home, destination, capacity)) {
      return true;
    }
  }

  VendorRuntime vendorRuntimes[kMaxVendorRuntimes];
  int count = ListVendorRuntimes(vendorRuntimes, kMaxVendorRuntimes);
  for (int i = 0; i < count; ++i) {
    if (ReadVendorRuntimeHome(vendorRuntimes[i], home, sizeof home, source, sizeof source) &&
        AcceptCandidate(source, home, destination, capacity)) {
      return true;
    }
  }

  // A service account's relay does not choose its environment.
  if (ProcessRuntimeRule().passOverJavaHome) return false;
  return ReadJavaHomeVariable(home, sizeof home) && AcceptCandidate("JAVA_HOME", home, destination, capacity);
}
