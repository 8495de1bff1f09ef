// Java exceptions left pending by a call into the virtual machine.
#pragma once

#include <jni.h>

#include "host/trace/trace.h"

// Clears a pending Java exception so the next JNI call on this thread is
// legal; returns whether one was pending.  `after` names the call for the trace.
inline bool ClearJavaException(JNIEnv* env, const char* after) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionClear();
  TraceFailureDetail(TRACE_JAVA_EXCEPTION, after, 0);
  return true;
}

// The same for a call whose failure is expected to leave an exception (a
// lookup that finds nothing): the failure itself is what gets traced.
inline void DiscardJavaException(JNIEnv* env) {
  if (env->ExceptionCheck()) env->ExceptionClear();
}
