// Inside the stand-in jvm.dll: one virtual machine, its objects and
// references, the attached threads, and the record the tests read.
//
// Every JNI entry point takes the one lock of the DLL, checks its caller the
// way -Xcheck:jni would, and records what it was given.
#pragma once

#define _JNI_IMPLEMENTATION_
#include <windows.h>

#include <jni.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fakejvm {

enum class ObjectKind { kClass, kInstance, kByteArray, kString, kThrowable };

struct Object {
  ObjectKind kind;
  std::string name;      // class name, or the throwable's class
  std::string bytes;     // byte array contents
  std::u16string chars;  // string contents
};

enum class RefKind { kLocal, kGlobal };

struct Ref {
  RefKind kind;
  int object;
  DWORD owner;  // thread of a local reference
  bool alive;
};

struct Method {
  const char* name;
  const char* signature;
  bool isStatic;
};

// The JNIEnv handed to one attached thread.  `env` comes first so the
// JNIEnv* the host holds leads back here.
struct ThreadEnv {
  JNIEnv env;
  DWORD thread;
  bool attached;
  int pendingException;                   // object index, -1 for none
  std::vector<std::vector<int>> frames;  // local references per frame
};

// Lock held for the length of one JNI call.
class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
};

// --- record and configuration (record.cpp) --------------------------------
void RecordEvent(const std::string& line);
void RecordViolation(const std::string& what);
void AppendReceived(const char* stream, const char* data, size_t size);
// Re-reads the FAKEJVM_* environment variables (in-process settings win).
void LoadConfigurationFromEnvironment();
std::string Setting(const char* key);  // "" when unset
int SettingInt(const char* key, int fallback);
bool SettingFlag(const char* key);
bool CountOnly();

// NewByteArray calls so far (env_table.cpp): fail_new_byte_array and
// fail_new_byte_array_once count them.
extern int gNewByteArrayCalls;

// --- objects, references, threads (vm_state.cpp) ---------------------------
extern bool gVmCreated;
// Between a creation's claim and its return.
extern bool gVmCreating;
extern JavaVM gJavaVM;
extern const JNINativeInterface_ gEnvTable;

int NewObject(Object object);
// Storage for a new byte array of `length` zero bytes.  In count_only mode
// the storage of the last counted array is reused, as a collected heap
// reuses memory, so a benchmark pays for no fresh pages per array.
std::string TakeArrayStorage(size_t length);
// count_only: a counted array's bytes are dropped, its storage kept for reuse.
void DropArrayStorage(std::string* bytes);
Object& ObjectAt(int index);
// A new reference of the kind to the object, made on the current thread.
jobject MakeRef(ThreadEnv* thread, RefKind kind, int object);
// The object a reference names; -1 (and a violation naming `where`) when the
// reference is null, deleted, invalid or a local one of another thread.
int Deref(jobject ref, const char* where);
bool DeleteRef(jobject ref, RefKind expected, const char* where);
int LiveRefs(RefKind kind);
void KillLocalRefs(const std::vector<int>& refs);

ThreadEnv* CurrentThreadEnv();  // null when the calling thread is not attached
ThreadEnv* AttachThread();
void DetachThread(ThreadEnv* thread);

// Checks at the start of every JNIEnv function.  Returns the thread's state,
// or null when the env cannot be used at all.
ThreadEnv* EnterEnv(JNIEnv* env, const char* function, bool allowedWithPendingException);
void Throw(ThreadEnv* thread, const char* throwableClass);

// --- start-up: arguments, class path, identity, output ----------------------
// The hooks HotSpot takes from the options "vfprintf", "exit" and "abort".
using VfprintfHook = jint(JNICALL*)(FILE* stream, const char* format, va_list args);
using ExitHook = void(JNICALL*)(jint code);
using AbortHook = void(JNICALL*)();
struct VmHooks {
  VfprintfHook vfprintfHook;
  ExitHook exitHook;
  AbortHook abortHook;
};
VmHooks* Hooks();

// Reads the options in order (startup_arguments.cpp); JNI_OK, or the result
// HotSpot gives for the first option it refuses, after saying why.
jint ReadStartupArguments(const JavaVMInitArgs* init, int javaVersion);

// class_path.cpp: java.class.path as given; the first entry, in class path
// order, that names an existing directory or jar holding a class ("a/b/C"),
// "" when none does.
void SetClassPath(const std::string& value);
std::string ClassSource(const char* name);

// runtime_identity.cpp: the runtime's home, three levels above this DLL
// (<runtime>\bin\server\jvm.dll); the feature version from this DLL's own
// version resource (its product version), else from <runtime>\release
// (JAVA_VERSION), else the java_version setting, else 8.
std::string RuntimeHome();
int RuntimeJavaVersion();
bool AnotherJvmCreatedAVm();
void ClaimTheProcessVm();

// vm_output.cpp: the VM's own messages, through the vfprintf hook when given,
// else to standard error; and the end of the process when start-up fails
// past recovery (exit code 1, the abort hook called first).
void VmPrint(const char* format, ...);
// HotSpot's warning(): the prefix through the hook, the text past it.
void VmWarning(const char* format, ...);
void TtyPrint(const std::string& text);
[[noreturn]] void ExitDuringInitialization(const std::string& error);

// --- the recording Java application (application.cpp) ----------------------
extern const Method kGetInstance;
const Method* FindAppMethod(const char* cls, const char* name, const char* signature, bool isStatic);
// Runs a Java method; args holds the references it was given.
jobject RunStaticMethod(ThreadEnv* thread, const Method* method);
jint RunInstanceMethod(ThreadEnv* thread, const Method* method, jobject argument);
bool MethodTakesArgument(const Method* method);
// native_loading.cpp: the application's System.load of native_library from
// the runtime's bin; false, with UnsatisfiedLinkError thrown, when it fails.
bool LoadConfiguredNativeLibrary(ThreadEnv* thread);

}  // namespace fakejvm
