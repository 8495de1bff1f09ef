// Creating and destroying a Bridge: the calling thread joins the virtual
// machine and binds the application's print object and its five methods.
#include <cstdlib>

#include "host/host.h"
#include "host/bridge/java_exceptions.h"
#include "host/bridge/places_override.h"

namespace {

const char kEntryClass[] = "velmo/jni/VelmoPSJNI";
const char kGetInstance[] = "getInstance";
const char kGetInstanceSignature[] = "()Lvelmo/jni/VelmoPS;";

// Looks a method up; a failed lookup leaves NoSuchMethodError pending, which
// is cleared so the next JNI call is legal.
jmethodID LookUpMethod(JNIEnv* env, jclass cls, const char* name, const char* signature) {
  jmethodID id = env->GetMethodID(cls, name, signature);
  DiscardJavaException(env);
  if (id == nullptr) TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, name, 0);
  return id;
}

bool BindMethods(Bridge* bridge) {
  JNIEnv* env = bridge->env;
  jclass cls = env->GetObjectClass(bridge->printObject);
  if (cls == nullptr) {
    TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, "class of the print object", 0);
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
    return nullptr;
  }
  jobject instance = nullptr;
  jmethodID getInstance = env->GetStaticMethodID(cls, kGetInstance, kGetInstanceSignature);
  DiscardJavaException(env);
  if (getInstance != nullptr) {
    instance = env->CallStaticObjectMethod(cls, getInstance);
    if (ClearJavaException(env, kGetInstance)) instance = nullptr;
    if (instance == nullptr) TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, "print object (getInstance gave null)", 0);
  } else {
    TraceFailureDetail(TRACE_BRIDGE_MISSING_PIECE, kGetInstance, 0);
  }
  env->DeleteLocalRef(cls);
  return instance;
}

Bridge* CreateBridge() {
  Bridge* bridge = static_cast<Bridge*>(calloc(1, sizeof(Bridge)));
  if (bridge == nullptr) return nullptr;
  if (!StartJavaVM(bridge)) {
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
