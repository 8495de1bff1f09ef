// The interactive launch: one instance per logon, the Java application
// started with the command-line text, the main thread kept for good.
#include "host/text/bounded_text.h"
#include "host/host.h"
#include "host/bridge/java_exceptions.h"
#include "host/text/texts.h"
#include "host/trace/course_texts.h"
#include "host/trace/trace_file.h"

namespace {

// The fixed text of a piece start-up found missing.
const char* MissingPieceText() {
  switch (LastStartupMiss()) {
    case StartupMiss::kAppHome: return TEXT_NO_APP_HOME;
    case StartupMiss::kJavaRuntime: return TEXT_NO_JAVA_RUNTIME;
    case StartupMiss::kUnusableFolder: return TEXT_FOLDER_NAME_UNUSABLE;
    case StartupMiss::kNone: break;
  }
  return TEXT_NO_JAVA_APPLICATION;
}

// The failure text (UTF-16), then, after a blank line, what the virtual
// machine said about it (in the ANSI code page), if anything: its own words
// name the option or the memory at fault.
void ShowLaunchFailure(const wchar_t* text, const char* vmText) {
  static wchar_t shown[kFailureTextCapacity + kVmMessageCapacity + 2];
  wchar_t caption[16];
  int length = 0;
  shown[0] = L'\0';
  if (text[0] != L'\0') {
    while (text[length] != L'\0' && length < kFailureTextCapacity - 1) {
      shown[length] = text[length];
      ++length;
    }
    shown[length] = L'\0';
  } else {
    AppendWide(shown, kFailureTextCapacity, &length, kGbkCodePage, MissingPieceText());
  }
  if (vmText != nullptr && vmText[0] != '\0' &&
      AppendWide(shown, sizeof shown / sizeof shown[0], &length, CP_ACP, "\n\n")) {
    AppendWide(shown, sizeof shown / sizeof shown[0], &length, CP_ACP, vmText);
  }
  WideFromGbk(TEXT_ERROR_CAPTION, caption, sizeof caption / sizeof caption[0]);
  // The user's OK is all there is to wait for; the result tells nothing more.
  MessageBoxW(nullptr, shown, caption, MB_OK | MB_ICONERROR);
}

// HotSpot ends the process itself when it cannot start past a certain point
// (the heap cannot be reserved, say): the user is told before it does.
void ShowVmEndingStartup(const char* vmText) {
  char text[kFailureTextCapacity];
  wchar_t wide[kFailureTextCapacity];
  FormatInto(text, sizeof text, TEXT_VM_INIT_FAILED, JNI_ERR, TEXT_JNI_ERR);
  WideFromGbk(text, wide, kFailureTextCapacity);
  ShowLaunchFailure(wide, vmText);
}

}  // namespace

void RunInteractive(const wchar_t* text) {
  TraceRunBegins(COURSE_MODE_LAUNCHER);
  EnsureSingleInstance();
  SetVmEndNotice(ShowVmEndingStartup);
  Bridge* bridge = CreateBridge();
  if (bridge == nullptr) {
    ShowLaunchFailure(LastStartupFailureTextWide(), LastVmStartupMessage());
    ExitProcess(kLaunchFailedExitCode);
  }
  JNIEnv* env = bridge->env;
  jstring argument = WideToJString(env, text);
  env->CallVoidMethod(bridge->printObject, bridge->braskMain, argument);
  ClearJavaException(env, "braskMain");
  TraceCourse(COURSE_BRASKMAIN_RETURNED);
  if (argument != nullptr) env->DeleteLocalRef(argument);
  // The Java application runs on its own threads and ends the process itself;
  // the current-process pseudo-handle is never signalled while it lives.
  WaitForSingleObject(GetCurrentProcess(), INFINITE);
}
