// Loading the chosen runtime's jvm.dll and resolving its invocation entry
// points.  The library is never unloaded: the virtual machine lives until
// the process ends, and loading it again yields the same module.
#include "host/host.h"
#include "host/vm/startup_failure.h"
#include "host/text/texts.h"
#include "host/trace/trace.h"

namespace {

// Through void(*)() so the compiler accepts the change of signature.
template <typename Proc>
Proc ResolveEntry(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

bool LoadJvm(JvmEntryPoints* entryPoints) {
  char javaHome[kPathCapacity];
  if (!FindJavaHome(javaHome, sizeof javaHome)) {
    TraceFailure(TRACE_NO_JAVA_RUNTIME, 0);
    NoteStartupMiss(StartupMiss::kJavaRuntime);
    return false;
  }
  char jvmPath[kPathCapacity];
  if (!BuildJvmLibraryPath(javaHome, jvmPath, sizeof jvmPath)) {
    // The path is cut at its buffer's end; the text still names where it points.
    ComposeFailureText(TEXT_JVM_NOT_FOUND, jvmPath, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }

  if (GetFileAttributesA(jvmPath) == INVALID_FILE_ATTRIBUTES) {
    ComposeFailureText(TEXT_JVM_NOT_FOUND, jvmPath, static_cast<int>(GetLastError()));
    return false;
  }

  entryPoints->createJavaVM = nullptr;
  entryPoints->getDefaultJavaVMInitArgs = nullptr;
  entryPoints->getCreatedJavaVMs = nullptr;
  if (!UseRuntimeBinForDlls(javaHome)) PreloadRuntimeCrt(javaHome);
  HMODULE jvm = LoadLibraryA(jvmPath);
  if (jvm == nullptr) {
    ComposeFailureText(TEXT_LOADLIBRARY_FAILED, jvmPath, static_cast<int>(GetLastError()));
    return false;
  }

  entryPoints->createJavaVM = ResolveEntry<CreateJavaVMProc>(jvm, "JNI_CreateJavaVM");
  entryPoints->getDefaultJavaVMInitArgs =
      ResolveEntry<GetDefaultJavaVMInitArgsProc>(jvm, "JNI_GetDefaultJavaVMInitArgs");
  entryPoints->getCreatedJavaVMs = ResolveEntry<GetCreatedJavaVMsProc>(jvm, "JNI_GetCreatedJavaVMs");
  if (entryPoints->createJavaVM != nullptr && entryPoints->getDefaultJavaVMInitArgs != nullptr &&
      entryPoints->getCreatedJavaVMs != nullptr) {
    return true;
  }
  ComposeFailureText(TEXT_JNI_ENTRY_MISSING, jvmPath, 0);
  return false;
}
