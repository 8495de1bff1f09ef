// Giving the calling thread a Java virtual machine: the first start-up of a
// process creates it with the fixed options, every later one (on another
// thread) attaches to it through the same jvm.dll, one start-up at a time.
// The virtual machine is never destroyed.
#include <memory>

#include "host/text/bounded_text.h"
#include "host/host.h"
#include "host/vm/startup_failure.h"
#include "host/text/texts.h"
#include "host/trace/trace.h"
#include "host/trace/trace_file.h"

namespace {

constexpr int kMaxStartOptions = 8;

// One start-up or attach at a time in the process.  HotSpot refuses a second
// creation while one runs (JNI_EEXIST), and JNI_GetCreatedJavaVMs names the
// virtual machine from the start of its creation, before it can be joined.
// A start-up that waited here finds the finished virtual machine, and the
// jvm.dll that made it, and attaches.  Static initialisation, so no thread
// can see the lock half-made.
SRWLOCK gStartupLock = SRWLOCK_INIT;

class StartupTurn {
 public:
  StartupTurn() { AcquireSRWLockExclusive(&gStartupLock); }
  ~StartupTurn() { ReleaseSRWLockExclusive(&gStartupLock); }
  StartupTurn(const StartupTurn&) = delete;
  StartupTurn& operator=(const StartupTurn&) = delete;
};

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

// The class path and library path options; false (traced) when either
// cannot be composed.
bool ComposePathOptions(std::unique_ptr<char[]>* classPath, char* libraryPath, int capacity) {
  classPath->reset(new (std::nothrow) char[kClassPathCapacity]);
  if (!*classPath || !BuildClassPathOption(classPath->get(), kClassPathCapacity)) return false;
  if (!BuildLibraryPathOption(libraryPath, capacity)) {
    TraceFailure(TRACE_NO_LIBRARY_PATH, GetLastError());
    return false;
  }
  return true;
}

}  // namespace

bool StartJavaVM(Bridge* bridge) {
  ClearStartupFailureText();
  ClearVmStartupMessage();
  if (bridge == nullptr) return false;
  jsize existing = 0;

  // Once the process has its virtual machine every start-up attaches, and the
  // composed options (the search of the jars above all) would go unused.
  // The application home is read all the same: a job whose application has
  // gone fails whether it attaches or creates.
  JvmEntryPoints entry = {};
  bool attaching = ProcessJvm(&entry);
  std::unique_ptr<char[]> classPath;
  char libraryPath[kPathCapacity] = "";
  if (attaching ? !CheckAppHome() : !ComposePathOptions(&classPath, libraryPath, sizeof libraryPath)) return false;

  StartupTurn turn;
  // Once the process has a virtual machine, only the jvm.dll that made it can
  // attach to it, whatever runtime the registry names now.
  if (!ProcessJvm(&entry) && !LoadJvm(&entry)) return false;

  // Only the count decides; a failing query counts as no virtual machine.
  entry.getCreatedJavaVMs(&bridge->vm, 1, &existing);
  jint result;
  uint64_t began = TraceClockMicros();
  bool joining = existing > 0 && bridge->vm != nullptr;
  if (joining) {
    // The virtual machine names and groups the thread itself.
    JavaVMAttachArgs attach = {};
    attach.version = JNI_VERSION_1_6;
    result = bridge->vm->AttachCurrentThread(reinterpret_cast<void**>(&bridge->env), &attach);
  } else {
    if (!classPath && !ComposePathOptions(&classPath, libraryPath, sizeof libraryPath)) return false;
    // JavaVMOption takes non-const text; the virtual machine only reads it.
    char vfprintfHook[] = "vfprintf";
    char abortHook[] = "abort";
    char heapStart[] = "-Xms256m";
    char heapMax[] = "-Xmx1200m";
    char permStart[] = "-XX:PermSize=64M";
    char permMax[] = "-XX:MaxPermSize=256M";
    JavaVMOption options[kMaxStartOptions] = {};
    int count = 0;
    // HotSpot reads the options in order and a hook counts from its own
    // option on, so the hooks come first: a refused option after them is
    // reported.
    options[count].optionString = vfprintfHook;
    options[count++].extraInfo = reinterpret_cast<void*>(&VmVfprintfHook);
    options[count].optionString = abortHook;
    options[count++].extraInfo = reinterpret_cast<void*>(&VmAbortHook);
    options[count++].optionString = classPath.get();
    options[count++].optionString = libraryPath;
    options[count++].optionString = heapStart;
    options[count++].optionString = heapMax;
    // Java 17 removed the permanent-generation options and refuses them; 8
    // to 16 only warn that they are ignored.  Dropping them from 17 on gives
    // those runtimes the very heap that 8 to 16 run with.  Decided here
    // only: finding the runtime's version reads its files, which an attach
    // has no use for.
    if (JvmTakesPermanentGenerationOptions(&entry)) {
      options[count++].optionString = permStart;
      options[count++].optionString = permMax;
    }
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_6;
    args.nOptions = count;
    args.options = options;
    args.ignoreUnrecognized = JNI_FALSE;
    TraceVmOptions(options, count);
    BeginVmStartupMessages();
    result = entry.createJavaVM(&bridge->vm, reinterpret_cast<void**>(&bridge->env), &args);
    EndVmStartupMessages(result < 0, result);
  }
  TraceVmReady(!joining, result, began);
  if (result >= 0 && bridge->vm != nullptr && bridge->env != nullptr) {
    KeepProcessJvm(&entry);
    return true;
  }

  // A success that left no usable pointers is no success; its cause is unclear.
  FormatInto(StartupFailureBuffer(), kFailureTextCapacity, TEXT_VM_INIT_FAILED, static_cast<int>(result),
             result < 0 ? ResultText(result) : TEXT_JNI_ERR);
  KeepGbkFailureTextWide();
  TraceFailureDetail(TRACE_STARTUP_FAILED, StartupFailureBuffer(), result);
  return false;
}
