// The interactive launch: one instance per logon, the Java application
// started with the command-line text, the main thread kept for good.
#include "host/host.h"
#include "host/java_exceptions.h"
#include "host/texts.h"

namespace {

// Exit code of a launcher that could not start the Java application.
constexpr int kLaunchFailedExitCode = 2;

// What the user is told when no bridge could be made: the text start-up
// composed, or else which piece was missing.
const char* LaunchFailureText() {
  const char* composed = LastStartupFailureText();
  if (composed[0] != '\0') return composed;
  char path[kPathCapacity];
  if (!ReadAppHome(path, sizeof path)) return TEXT_NO_APP_HOME;
  if (!FindJavaHome(path, sizeof path)) return TEXT_NO_JAVA_RUNTIME;
  return TEXT_NO_JAVA_APPLICATION;
}

}  // namespace

void RunInteractive(const char* text) {
  EnsureSingleInstance();
  Bridge* bridge = CreateBridge();
  if (bridge == nullptr) {
    MessageBoxA(nullptr, LaunchFailureText(), TEXT_ERROR_CAPTION, MB_OK | MB_ICONERROR);
    ExitProcess(kLaunchFailedExitCode);
  }
  JNIEnv* env = bridge->env;
  jstring argument = AnsiToJString(env, text);
  env->CallVoidMethod(bridge->printObject, bridge->braskMain, argument);
  ClearJavaException(env, "braskMain");
  if (argument != nullptr) env->DeleteLocalRef(argument);
  // The Java application runs on its own threads and ends the process itself;
  // the current-process pseudo-handle is never signalled while it lives.
  WaitForSingleObject(GetCurrentProcess(), INFINITE);
}
