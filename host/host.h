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
// Which piece the calling thread's last start-up found missing before any
// text could be composed; kNone otherwise.  Kept so the launcher need not
// search again (and trace every runtime it passes over a second time).
enum class StartupMiss { kNone, kAppHome, kJavaRuntime };
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
void InstallPlacesOverride();
LONG DeleteRegTree(HKEY parent, const char* name);

// ---------------------------------------------------------------------------
// Interactive launch and single instance (interactive.cpp, single_instance.cpp).
void RunInteractive(const char* text);
void EnsureSingleInstance();
void KillProcessesByName(const char* exeName);

// ---------------------------------------------------------------------------
// Entry and mode selection (entry.cpp).
// The first argument read as "%d", its 32 bits zero-extended; 0 when it does
// not begin with a number.
uintptr_t ParseHandleArgument(const char* text);
int JvmHostMain(int argc, char** argv);
