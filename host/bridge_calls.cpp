// The four print calls of a relay bridge.  Each Java call is made on the
// bridge's own thread; every byte array is released right after its call so
// a long job does not keep all its data reachable until the job ends, and a
// Java exception left pending is cleared before the next JNI call.
#include "host/host.h"
#include "host/java_exceptions.h"

namespace {

// A new Java byte array holding a copy of the bytes; null when the Java heap
// refuses it (the OutOfMemoryError is cleared).
jbyteArray CopyToJavaArray(JNIEnv* env, const unsigned char* data, int32_t length) {
  jbyteArray array = env->NewByteArray(length);
  if (array == nullptr) {
    DiscardJavaException(env);
    TraceFailure(TRACE_NO_BYTE_ARRAY, length);
    return nullptr;
  }
  env->SetByteArrayRegion(array, 0, length, reinterpret_cast<const jbyte*>(data));
  if (ClearJavaException(env, "SetByteArrayRegion")) {
    env->DeleteLocalRef(array);
    return nullptr;
  }
  return array;
}

}  // namespace

void BridgeStartJob(Bridge* bridge) {
  bridge->env->CallVoidMethod(bridge->printObject, bridge->runVelmo);
  ClearJavaException(bridge->env, "runVelmo");
}

int32_t BridgeWriteHeader(Bridge* bridge, const unsigned char* data, int32_t length) {
  if (bridge->env == nullptr || bridge->printObject == nullptr || bridge->writeHeader == nullptr) return 0;
  if (length <= 0) return 1;
  JNIEnv* env = bridge->env;
  jbyteArray array = CopyToJavaArray(env, data, length);
  // As for the data: a header Java cannot be given is reported, so the job
  // does not go on without its first bytes.
  if (array == nullptr) return 0;
  env->CallVoidMethod(bridge->printObject, bridge->writeHeader, array);
  ClearJavaException(env, "writeHeader");
  env->DeleteLocalRef(array);
  return 1;
}

int32_t BridgeWritePSData(Bridge* bridge, const unsigned char* data, int32_t length, int32_t* javaResult) {
  if (bridge->env == nullptr || bridge->printObject == nullptr || bridge->writePSData == nullptr) return 0;
  *javaResult = 0;
  if (length <= 0) return 1;
  JNIEnv* env = bridge->env;
  jbyteArray array = CopyToJavaArray(env, data, length);
  // Without an array the bytes cannot reach Java: report the piece as not
  // passed on rather than hand Java a null array.
  if (array == nullptr) return 0;
  jint result = env->CallIntMethod(bridge->printObject, bridge->writePSData, array);
  // A Java exception does not stop the job: the method was called with the
  // bytes, as when it returns normally; its int is then meaningless.
  if (!ClearJavaException(env, "writePSData")) *javaResult = result;
  env->DeleteLocalRef(array);
  return 1;
}

int32_t BridgeEndJob(Bridge* bridge) {
  if (bridge->env == nullptr || bridge->printObject == nullptr || bridge->writeEnd == nullptr) return 0;
  bridge->env->CallVoidMethod(bridge->printObject, bridge->writeEnd);
  ClearJavaException(bridge->env, "writeEnd");
  return 1;
}
