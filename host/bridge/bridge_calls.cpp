// The four print calls of a relay bridge.  Each Java call is made on the
// bridge's own thread; every byte array is released right after its call so
// a long job does not keep all its data reachable until the job ends, and a
// Java exception left pending is cleared before the next JNI call.
#include "host/host.h"
#include "host/bridge/java_exceptions.h"

void BridgeStartJob(Bridge* bridge) {
  bridge->env->CallVoidMethod(bridge->printObject, bridge->runVelmo);
  ClearJavaException(bridge->env, "runVelmo");
}

jbyteArray BridgeMakeArray(Bridge* bridge, const unsigned char* data, int32_t length) {
  JNIEnv* env = bridge->env;
  jbyteArray array = env->NewByteArray(length);
  if (array == nullptr) {
    // The OutOfMemoryError is the failure traced here.
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

void BridgeCallWriteHeader(Bridge* bridge, jbyteArray array) {
  JNIEnv* env = bridge->env;
  env->CallVoidMethod(bridge->printObject, bridge->writeHeader, array);
  ClearJavaException(env, "writeHeader");
  env->DeleteLocalRef(array);
}

int32_t BridgeCallWritePSData(Bridge* bridge, jbyteArray array) {
  JNIEnv* env = bridge->env;
  jint result = env->CallIntMethod(bridge->printObject, bridge->writePSData, array);
  // A Java exception does not stop the job: the method was called with the
  // bytes, as when it returns normally; its int is then meaningless.
  if (ClearJavaException(env, "writePSData")) result = 0;
  env->DeleteLocalRef(array);
  return result;
}

int32_t BridgeWriteHeader(Bridge* bridge, const unsigned char* data, int32_t length) {
  if (bridge->env == nullptr || bridge->printObject == nullptr || bridge->writeHeader == nullptr) return 0;
  if (length <= 0) return 1;
  jbyteArray array = BridgeMakeArray(bridge, data, length);
  // As for the data: a header Java cannot be given is reported, so the job
  // does not go on without its first bytes.
  if (array == nullptr) return 0;
  BridgeCallWriteHeader(bridge, array);
  return 1;
}

int32_t BridgeWritePSData(Bridge* bridge, const unsigned char* data, int32_t length, int32_t* javaResult) {
  if (bridge->env == nullptr || bridge->printObject == nullptr || bridge->writePSData == nullptr) return 0;
  *javaResult = 0;
  if (length <= 0) return 1;
  jbyteArray array = BridgeMakeArray(bridge, data, length);
  // Without an array the bytes cannot reach Java: report the piece as not
  // passed on rather than hand Java a null array.
  if (array == nullptr) return 0;
  *javaResult = BridgeCallWritePSData(bridge, array);
  return 1;
}

int32_t BridgeEndJob(Bridge* bridge) {
  if (bridge->env == nullptr || bridge->printObject == nullptr || bridge->writeEnd == nullptr) return 0;
  bridge->env->CallVoidMethod(bridge->printObject, bridge->writeEnd);
  ClearJavaException(bridge->env, "writeEnd");
  return 1;
}
