// Giving the calling thread a Java virtual machine: the first start-up of a
// process creates it with the fixed options, every later one (on another
// thread) attaches to it.  The virtual machine is never destroyed.
#include <memory>

#include "host/bounded_text.h"
#include "host/host.h"
#include "host/startup_failure.h"
#include "host/texts.h"
#include "host/trace.h"

namespace {

const char* ResultText(jint result) {
  switch (result) {
    case JNI_ERR: return TEXT_JNI_ERR;
    case JNI_EDETACHED: return TEXT_JNI_EDETACHED;
    case JNI_EVERSION: return TEXT_JNI_EVERSION;
    case JNI_ENOMEM: return TEXT_JNI_ENOMEM;
    case JNI_EEXIST: return TEXT_JNI_EEXIST;
    case JNI_EINVAL: return TEXT_JNI_EINVAL;
    default: return TEXT_JNI_UNKNOWN;
  }
}

}  // namespace

bool StartJavaVM(Bridge* bridge) {
  ClearStartupFailureText();
  if (bridge == nullptr) return false;
  jsize existing = 0;

  std::unique_ptr<char[]> classPath(new (std::nothrow) char[kClassPathCapacity]);
  if (!classPath || !BuildClassPathOption(classPath.get(), kClassPathCapacity)) return false;
  char libraryPath[kPathCapacity];
  if (!BuildLibraryPathOption(libraryPath, sizeof libraryPath)) {
    TraceFailure(TRACE_NO_LIBRARY_PATH, GetLastError());
    return false;
  }

  // JavaVMOption takes non-const text; the virtual machine only reads it.
  char heapStart[] = "-Xms256m";
  char heapMax[] = "-Xmx1200m";
  char permStart[] = "-XX:PermSize=64M";
  char permMax[] = "-XX:MaxPermSize=256M";
  JavaVMOption options[6] = {};
  options[0].optionString = classPath.get();
  options[1].optionString = libraryPath;
  options[2].optionString = heapStart;
  options[3].optionString = heapMax;
  options[4].optionString = permStart;
  options[5].optionString = permMax;
  JavaVMInitArgs args = {};
  args.version = JNI_VERSION_1_6;
  args.nOptions = 6;
  args.options = options;
  args.ignoreUnrecognized = JNI_FALSE;

  JvmEntryPoints entry = {};
  if (!LoadJvm(&entry)) return false;

  // Only the count decides; a failing query counts as no virtual machine.
  entry.getCreatedJavaVMs(&bridge->vm, 1, &existing);
  jint result;
  if (existing > 0 && bridge->vm != nullptr) {
    // The virtual machine names and groups the thread itself.
    JavaVMAttachArgs attach = {};
    attach.version = JNI_VERSION_1_6;
    result = bridge->vm->AttachCurrentThread(reinterpret_cast<void**>(&bridge->env), &attach);
  } else {
    result = entry.createJavaVM(&bridge->vm, reinterpret_cast<void**>(&bridge->env), &args);
  }
  if (result >= 0 && bridge->vm != nullptr && bridge->env != nullptr) return true;

  // A success that left no usable pointers is no success; its cause is unclear.
  FormatInto(StartupFailureBuffer(), kFailureTextCapacity, TEXT_VM_INIT_FAILED, static_cast<int>(result),
             result < 0 ? ResultText(result) : TEXT_JNI_ERR);
  TraceFailureDetail(TRACE_STARTUP_FAILED, StartupFailureBuffer(), result);
  return false;
}
