// Creating and destroying a Bridge: the calling thread joins the virtual
// machine and binds the application's print object and its five methods.
#include <cstdio>
#include <cstdlib>

#include "host/host.h"
#include "host/bridge/java_exceptions.h"
#include "host/bridge/places_override.h"

namespace {

const char kEntryClass[] = "velmo/jni/VelmoPSJNI";
const char kGetInstance[] = "getInstance";
const char kGetInstanceSignature[] = "()Lvelmo/jni/VelmoPS;";

// LastBridgeFailure's text, per thread: each relay job binds on a thread of
// its own.
thread_local char tBindFailure[160];

void NoteBindFailure(const char* format, const char* name = "") {
  snprintf(tBindFailure, sizeof tBindFailure, format, name);
}

// A start-up that gave no virtual machine, by the piece it found missing.
void NoteStartupFailure(bool attaching) {
  switch (LastStartupMiss()) {
    case StartupMiss::kAppHome: return NoteBindFailure(BIND_NO_APP_HOME);
    case StartupMiss::kJavaRuntime: return NoteBindFailure(BIND_NO_JAVA_RUNTIME);
    case StartupMiss::kUnusableFolder: return NoteBindFailure(BIND_FOLDER_UNUSABLE);
    case StartupMiss::kNone: break;
  }
  NoteBindFailure(attaching ? BIND_ATTACH_REFUSED : BIND_VM_NOT_CREATED);
}

// Looks a method up; a failed lookup leaves NoSuchMethodError pending, which
// is cleared so the next JNI call is legal.
jmethodID LookUpMethod(JNIEnv* env, jclass cls, const char* name, const char* signature) {
  jmethodID id = env->GetMethodID(cls, name, signature);
  DiscardJavaException(env);
  if (id == nullptr) {
    TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, name, 0);
    NoteBindFailure(BIND_LACKS, name);
  }
  return id;
}

bool BindMethods(Bridge* bridge) {
  JNIEnv* env = bridge->env;
  jclass cls = env->GetObjectClass(bridge->printObject);
  if (cls == nullptr) {
    TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, "class of the print object", 0);
    NoteBindFailure(BIND_LACKS, "the class of the print object");
    return false;
  }
  bool found = (bridge->braskMain = LookUpMethod(env, cls, "braskMain", "(Ljava/lang/String;)V")) != nullptr &&
               (bridge->runVelmo = LookUpMethod(env, cls, "runVelmo", "()V")) != nullptr &&
               (bridge->writeHeader = LookUpMethod(env, cls, "writeHeader", "([B)V")) != nullptr &&
               (bridge->writePSData = LookUpMethod(env, cls, "writePSData", "([B)I")) != nullptr &&
               (bridge->writeEnd = LookUpMethod(env, cls, "writeEnd", "()V")) != nullptr;
  env->DeleteLocalRef(cls);
  return found;
}

// A bridge that failed after joining the virtual machine is taken apart
// again: the global reference released and the thread detached, so a failed
// print job leaks neither Java objects nor an attached thread.
void ReleasePartialBridge(Bridge* bridge) {
  if (bridge->printObject != nullptr) bridge->env->DeleteGlobalRef(bridge->printObject);
  bridge->vm->DetachCurrentThread();
  free(bridge);
}

}  // namespace

jobject GetPrintObject(Bridge* bridge) {
  JNIEnv* env = bridge->env;
  jclass cls = env->FindClass(kEntryClass);
  DiscardJavaException(env);
  if (cls == nullptr) {
    TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, kEntryClass, 0);
    NoteBindFailure(BIND_LACKS, kEntryClass);
    return nullptr;
  }
  jobject instance = nullptr;
  jmethodID getInstance = env->GetStaticMethodID(cls, kGetInstance, kGetInstanceSignature);
  DiscardJavaException(env);
  if (getInstance != nullptr) {
    instance = env->CallStaticObjectMethod(cls, getInstance);
    if (ClearJavaException(env, kGetInstance)) {
      instance = nullptr;
      NoteBindFailure(BIND_GET_INSTANCE_THREW);
    } else if (instance == nullptr) {
      NoteBindFailure(BIND_GET_INSTANCE_NULL);
    }
    if (instance == nullptr) TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, "print object (getInstance gave null)", 0);
  } else {
    TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, kGetInstance, 0);
    NoteBindFailure(BIND_LACKS, kGetInstance);
  }
  env->DeleteLocalRef(cls);
  return instance;
}

const char* LastBridgeFailure() { return tBindFailure; }

Bridge* CreateBridge() {
  tBindFailure[0] = '\0';
  Bridge* bridge = static_cast<Bridge*>(calloc(1, sizeof(Bridge)));
  if (bridge == nullptr) {
    NoteBindFailure(BIND_NO_MEMORY);
    return nullptr;
  }
  // Whether this start-up is to attach, for the reason of a failure only.
  JvmEntryPoints entry = {};
  bool attaching = ProcessJvm(&entry);
  if (!StartJavaVM(bridge)) {
    NoteStartupFailure(attaching);
    free(bridge);
    return nullptr;
  }
  jobject instance = GetPrintObject(bridge);
  if (instance == nullptr) {
    ReleasePartialBridge(bridge);
    return nullptr;
  }
  bridge->printObject = bridge->env->NewGlobalRef(instance);
  bridge->env->DeleteLocalRef(instance);
  if (bridge->printObject == nullptr) NoteBindFailure(BIND_NO_GLOBAL_REFERENCE);
  if (bridge->printObject == nullptr || !BindMethods(bridge)) {
    ReleasePartialBridge(bridge);
    return nullptr;
  }
  InstallPlacesOverride();
  return bridge;
}

void DestroyBridge(Bridge* bridge) {
  RemoveNestedPlacesKey();
  if (bridge == nullptr) return;
  if (bridge->printObject != nullptr) {
    bridge->env->DeleteGlobalRef(bridge->printObject);
    bridge->printObject = nullptr;
  }
  if (bridge->vm != nullptr) bridge->vm->DetachCurrentThread();
  free(bridge);
}
