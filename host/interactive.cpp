// The interactive launch: one instance per logon, the Java application
// started with the command-line text, the main thread kept for good.
#include "host/bounded_text.h"
#include "host/host.h"
#include "host/java_exceptions.h"
#include "host/texts.h"
#include "host/trace/course_texts.h"
#include "host/trace/trace_file.h"

namespace {

// Exit code of a launcher that could not start the Java application.
constexpr int kLaunchFailedExitCode = 2;

// What the user is told when no bridge could be made: the text start-up
// composed, or else which piece was missing.
const char* LaunchFailureText() {
  const char* composed = LastStartupFailureText();
  if (composed[0] != '\0') return composed;
  switch (LastStartupMiss()) {
    case StartupMiss::kAppHome: return TEXT_NO_APP_HOME;
    case StartupMiss::kJavaRuntime: return TEXT_NO_JAVA_RUNTIME;
    case StartupMiss::kNone: break;
  }
  return TEXT_NO_JAVA_APPLICATION;
}

// The failure text, then, after a blank line, what the virtual machine said
// about it, if anything: its own words name the option or the memory at fault.
void ShowLaunchFailure(const char* text, const char* vmText) {
  static char shown[kFailureTextCapacity + kVmMessageCapacity + 2];
  int length = 0;
  shown[0] = '\0';
  AppendInto(shown, sizeof shown, &length, text);
  if (vmText != nullptr && vmText[0] != '\0') {
    AppendInto(shown, sizeof shown, &length, "\n\n");
    AppendInto(shown, sizeof shown, &length, vmText);
  }
  MessageBoxA(nullptr, shown, TEXT_ERROR_CAPTION, MB_OK | MB_ICONERROR);
}

// HotSpot ends the process itself when it cannot start past a certain point
// (the heap cannot be reserved, say): the user is told before it does.
void ShowVmEndingStartup(const char* vmText) {
  char text[kFailureTextCapacity];
  FormatInto(text, sizeof text, TEXT_VM_INIT_FAILED, JNI_ERR, TEXT_JNI_ERR);
  ShowLaunchFailure(text, vmText);
}

}  // namespace

void RunInteractive(const char* text) {
  TraceRunBegins(COURSE_MODE_LAUNCHER);
  EnsureSingleInstance();
  SetVmEndNotice(ShowVmEndingStartup);
  Bridge* bridge = CreateBridge();
  if (bridge == nullptr) {
    ShowLaunchFailure(LaunchFailureText(), LastVmStartupMessage());
    ExitProcess(kLaunchFailedExitCode);
  }
  JNIEnv* env = bridge->env;
  jstring argument = AnsiToJString(env, text);
  env->CallVoidMethod(bridge->printObject, bridge->braskMain, argument);
  ClearJavaException(env, "braskMain");
  TraceCourse(COURSE_BRASKMAIN_RETURNED);
  if (argument != nullptr) env->DeleteLocalRef(argument);
  // The Java application runs on its own threads and ends the process itself;
  // the current-process pseudo-handle is never signalled while it lives.
  WaitForSingleObject(GetCurrentProcess(), INFINITE);
}
