// Java exceptions left pending by a call into the virtual machine.
#pragma once

#include <jni.h>

// Clears a pending Java exception so the next JNI call on this thread is
// legal; returns whether one was pending.
inline bool ClearJavaException(JNIEnv* env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionClear();
  return true;
}
