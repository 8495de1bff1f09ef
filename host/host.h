// jvmhost's Java host: where the application lives, how the virtual machine
// is started or joined, the per-thread Bridge to the application's print
// object, and the interactive launcher.  The Java runtime's location and
// loading have a folder of their own: host/runtime/, chief header
// host/runtime/runtime.h.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include <jni.h>

#include "host/runtime/runtime.h"

// ---------------------------------------------------------------------------
// Bridge: binds one thread to the virtual machine and to the print object.
// Plain record, every field pointer-sized and zero when allocated.  A bridge
// belongs to the thread that created it (env is valid only there).
struct Bridge {
  JavaVM* vm;
  JNIEnv* env;
  jobject printObject;  // global reference
  jmethodID runVelmo;
  jmethodID braskMain;
  jmethodID writeHeader;
  jmethodID writePSData;
  jmethodID writeEnd;
};

// ---------------------------------------------------------------------------
// The virtual machine's composed options (jvm_options.cpp).
constexpr int kClassPathCapacity = 52000;

bool BuildClassPathOption(char* destination, int capacity);
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
// page cannot spell and that has no short (8.3) name.
enum class StartupMiss { kNone, kAppHome, kJavaRuntime, kUnusableFolder };
StartupMiss LastStartupMiss();

// ---------------------------------------------------------------------------
// Java bridge (bridge.cpp, places_override.cpp, registry_tree.cpp).
Bridge* CreateBridge();
void DestroyBridge(Bridge* bridge);
jobject GetPrintObject(Bridge* bridge);
void BridgeStartJob(Bridge* bridge);
// The two halves of a print call, for a caller that lets go of the bytes
// before Java works on them: a new Java byte array holding a copy of them
// (null, traced, when the Java heap refuses it), then the call on that
// array, which releases it.  Only on a bridge that has every piece.
jbyteArray BridgeMakeArray(Bridge* bridge, const unsigned char* data, int32_t length);
void BridgeCallWriteHeader(Bridge* bridge, jbyteArray array);
// Java's int, or 0 when the call ended in an exception.
int32_t BridgeCallWritePSData(Bridge* bridge, jbyteArray array);
// The print calls report 1 when the bytes reached the Java method (or there
// were none), 0 when they could not: the bridge lacks a piece, or no Java
// byte array could be made.
int32_t BridgeWriteHeader(Bridge* bridge, const unsigned char* data, int32_t length);
int32_t BridgeWritePSData(Bridge* bridge, const unsigned char* data, int32_t length, int32_t* javaResult);
int32_t BridgeEndJob(Bridge* bridge);
jstring AnsiToJString(JNIEnv* env, const char* text);
// The text's UTF-16 units as they are; null for null.
jstring WideToJString(JNIEnv* env, const wchar_t* text);
void InstallPlacesOverride();
LONG DeleteRegTree(HKEY parent, const char* name);

// ---------------------------------------------------------------------------
// Texts for the wide functions (wide_text.cpp).  The fixed texts are GBK
// whatever the system's ANSI code page.
constexpr UINT kGbkCodePage = 936;
// Appends text, read in codePage, at *length; false (destination unchanged)
// when it would not fit.
bool AppendWide(wchar_t* destination, int capacity, int* length, UINT codePage, const char* text);
bool WideFromGbk(const char* text, wchar_t* destination, int capacity);
// For traces, which name folders as they are on any system.
bool Utf8FromWide(const wchar_t* text, char* destination, int capacity);
// An 8-bit path (perhaps a short one) by its long name, in UTF-8.
bool Utf8FolderName(const char* path, char* destination, int capacity);

// ---------------------------------------------------------------------------
// Interactive launch and single instance (interactive.cpp, single_instance.cpp).
// text: the first argument as given, or null.
void RunInteractive(const wchar_t* text);
void EnsureSingleInstance();
void KillProcessesByName(const char* exeName);

// ---------------------------------------------------------------------------
// Entry and mode selection (entry.cpp, handle_argument.cpp).
// The first argument read as "%d", its 32 bits zero-extended; 0 when it does
// not begin with a number.  Only ASCII counts: white space, a sign, the
// digits '0' to '9'; any other character (a full-width digit, a byte of a
// multi-byte character) is no part of a number.
uintptr_t ParseHandleArgument(const char* text);
uintptr_t ParseHandleArgument(const wchar_t* text);
// argv: the command line as CommandLineToArgvW splits it.
int JvmHostMain(int argc, wchar_t** argv);
