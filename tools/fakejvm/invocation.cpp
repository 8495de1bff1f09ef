// The invocation interface: the three exported entry points and the
// JavaVM's own functions.
#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

jint JNICALL DestroyJavaVM(JavaVM*) {
  Lock lock;
  RecordViolation("DestroyJavaVM called");
  return JNI_ERR;
}

jint JNICALL AttachCurrentThread(JavaVM* vm, void** penv, void* args) {
  Lock lock;
  LoadConfigurationFromEnvironment();
  jint result = SettingInt("attach_result", 0);
  RecordEvent("AttachCurrentThread result=" + std::to_string(result));
  if (vm == &gJavaVM && gVmCreating) {
    RecordViolation("AttachCurrentThread on a virtual machine still being created");
    return JNI_ERR;
  }
  if (vm != &gJavaVM || !gVmCreated) {
    RecordViolation("AttachCurrentThread on a virtual machine that does not exist");
    return JNI_ERR;
  }
  if (args != nullptr) {
    const auto* attach = static_cast<const JavaVMAttachArgs*>(args);
    if (attach->version != JNI_VERSION_1_2 && attach->version != JNI_VERSION_1_4 &&
        attach->version != JNI_VERSION_1_6 && attach->version != JNI_VERSION_1_8) {
      RecordViolation("AttachCurrentThread with an unknown version in its arguments");
    }
  }
  if (result < 0) return result;
  *penv = &AttachThread()->env;
  return result;
}

jint JNICALL DetachCurrentThread(JavaVM*) {
  Lock lock;
  RecordEvent("DetachCurrentThread");
  ThreadEnv* thread = CurrentThreadEnv();
  if (thread == nullptr) {
    RecordViolation("DetachCurrentThread on a thread that is not attached");
    return JNI_EDETACHED;
  }
  DetachThread(thread);
  return JNI_OK;
}

jint JNICALL GetEnv(JavaVM*, void** penv, jint) {
  Lock lock;
  ThreadEnv* thread = CurrentThreadEnv();
  *penv = thread != nullptr ? &thread->env : nullptr;
  return thread != nullptr ? JNI_OK : JNI_EDETACHED;
}

jint JNICALL AttachCurrentThreadAsDaemon(JavaVM* vm, void** penv, void* args) {
  return AttachCurrentThread(vm, penv, args);
}

const JNIInvokeInterface_ kInvokeTable = {
    nullptr, nullptr, nullptr, DestroyJavaVM, AttachCurrentThread, DetachCurrentThread, GetEnv,
    AttachCurrentThreadAsDaemon,
};

}  // namespace

JavaVM gJavaVM = {&kInvokeTable};

}  // namespace fakejvm

using namespace fakejvm;

#ifdef FAKEJVM_NEEDS_CRT
// From the runtime's own C runtime, which lies only in <runtime>\bin.
extern "C" __declspec(dllimport) int __cdecl FakeCrt_Marker();
#endif

extern "C" {

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** vms, jsize capacity, jsize* count) {
  Lock lock;
  // As HotSpot before 21 does, a virtual machine still being created counts.
  jsize created = gVmCreated || gVmCreating ? 1 : 0;
  RecordEvent("GetCreatedJavaVMs count=" + std::to_string(created));
  if (count != nullptr) *count = created;
  if (created > 0 && vms != nullptr && capacity > 0) vms[0] = &gJavaVM;
  return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
  const auto* init = static_cast<const JavaVMInitArgs*>(args);
  DWORD creationMs = 0;
  jint result = JNI_EEXIST;
  {
    Lock lock;
    LoadConfigurationFromEnvironment();
#ifdef FAKEJVM_NEEDS_CRT
    FakeCrt_Marker();
#endif
    // HotSpot claims the process's one virtual machine first: a creation
    // while another runs, or after it, is refused.
    bool claimed = !gVmCreated && !gVmCreating;
    if (claimed) {
      gVmCreating = true;
      result = ReadStartupArguments(init, RuntimeJavaVersion());
      if (result == JNI_OK) result = SettingInt("create_result", 0);
    }
    char head[160];
    snprintf(head, sizeof head, "CreateJavaVM version=0x%lx nOptions=%ld ignoreUnrecognized=%d result=%ld",
             init ? static_cast<long>(init->version) : 0L, init ? static_cast<long>(init->nOptions) : 0L,
             init ? init->ignoreUnrecognized : 0, static_cast<long>(result));
    RecordEvent(head);
    for (jint i = 0; init != nullptr && i < init->nOptions; ++i) {
      const char* text = init->options[i].optionString;
      RecordEvent(std::string("option ") + (text ? text : "(null)"));
    }
    if (result < 0) {
      if (claimed) gVmCreating = false;
      return result;
    }
    // A second jvm.dll in one process cannot make a second virtual machine:
    // HotSpot ends the process (measured: exit code 1).
    if (AnotherJvmCreatedAVm()) ExitDuringInitialization("another jvm.dll created this process's Java virtual machine");
    creationMs = static_cast<DWORD>(SettingInt("create_ms", 0));
  }
  // The rest of the initialisation, during which other threads may ask for
  // the virtual machine and find it half-made.
  if (creationMs > 0) Sleep(creationMs);
  Lock lock;
  std::string initError = Setting("init_error");
  if (!initError.empty()) ExitDuringInitialization(initError);
  gVmCreated = true;
  gVmCreating = false;
  ClaimTheProcessVm();
  *pvm = &gJavaVM;
  *penv = &AttachThread()->env;
  return result;
}

#ifndef FAKEJVM_WITHOUT_DEFAULT_ARGS
JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void*) {
  Lock lock;
  RecordEvent("GetDefaultJavaVMInitArgs");
  return JNI_OK;
}
#endif

}  // extern "C"
