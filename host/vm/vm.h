// The virtual machine: its options, its creation or the attach to it, what
// it says on its own, and the text a failed start-up shows.
//
//   jvm_options.cpp    the class path and library path options
//   vm_startup.cpp     one creation or attach at a time in the process
//   vm_messages.cpp    the vfprintf and abort hooks, the VM's words kept
//   failure_text.cpp   the start-up failure text, 8-bit and wide
//   startup_failure.h  inside the host: the thread's failure text and miss
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include <jni.h>

struct Bridge;

// ---------------------------------------------------------------------------
// The virtual machine's composed options (jvm_options.cpp).
constexpr int kClassPathCapacity = 52000;

bool BuildClassPathOption(char* destination, int capacity);
// Whether a long file name the "*.jar" search gave really ends in ".jar" (in
// any case): the search also matches a file by its short name, so "x.jar_old"
// (short name X~1.JAR), a jar set aside by renaming, would join the class path.
bool NamesAJar(const wchar_t* fileName);
// Whether the application home can be read from the registry, as the class
// path needs it; traced and noted as a start-up miss when not.
bool CheckAppHome();
// "-Djava.library.path=" and the Windows directory.
bool BuildLibraryPathOption(char* destination, int capacity);

// ---------------------------------------------------------------------------
// Virtual machine start-up (vm_startup.cpp, failure_text.cpp).
// Fills bridge->vm and bridge->env: creates the process's VM or attaches the
// calling thread to the existing one.
bool StartJavaVM(Bridge* bridge);

// The virtual machine's own messages (vm_messages.cpp).  The hooks given to
// the VM as the options "vfprintf" and "abort".
jint JNICALL VmVfprintfHook(FILE* stream, const char* format, va_list args);
void JNICALL VmAbortHook();
constexpr int kVmMessageCapacity = 2048;
// Around one creation: what the VM says meanwhile is kept, and traced and
// kept for the calling thread only when the creation failed.
void BeginVmStartupMessages();
void EndVmStartupMessages(bool failed, long long result);
void ClearVmStartupMessage();
// What the VM said during the calling thread's last failed creation; "" when
// nothing (or the creation did not fail).
const char* LastVmStartupMessage();
// Called, with what the VM said, when the VM ends the process while it is
// being created (HotSpot exits with 1 once the notice returns).
using VmEndNotice = void (*)(const char* vmText);
void SetVmEndNotice(VmEndNotice notice);

constexpr int kFailureTextCapacity = 4096;
// Composes a failure text from a GBK format taking one "%s" (the argument),
// with the system's text for a non-zero error code appended.  The text is kept
// for the calling thread; returns it.
const char* ComposeFailureText(const char* format, const char* argument, int errorCode);
// The text the calling thread's last start-up composed, or "" when its last
// start-up composed none (no home, no runtime, or success).
const char* LastStartupFailureText();
// The same text in UTF-16, as the user is shown it; L"" when none.
const wchar_t* LastStartupFailureTextWide();
// Which piece the calling thread's last start-up found missing before any
// text could be composed; kNone otherwise.  Kept so the launcher need not
// search again (and trace every runtime it passes over a second time).
// kUnusableFolder: the home or runtime is in a folder whose name the ANSI code
// page cannot spell and that has no short (8.3) name it can spell.
enum class StartupMiss { kNone, kAppHome, kJavaRuntime, kUnusableFolder };
StartupMiss LastStartupMiss();
