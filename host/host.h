// jvmhost's Java host: where the Java runtime and the application live, how
// the virtual machine is started or joined, the per-thread Bridge to the
// application's print object, and the interactive launcher.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include <jni.h>

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
// Java runtime location (java_home.cpp, registry_strings.cpp,
// jvm_options.cpp).  Destinations are 8-bit ANSI buffers; capacities count
// bytes including the terminator.  False means the destination holds no
// result.
constexpr int kPathCapacity = 520;
constexpr int kClassPathCapacity = 52000;

bool ReadAppHome(char* destination, int capacity);
bool ReadRegString(HKEY key, const char* valueName, char* destination, int capacity);
bool ReadRegistryJavaHome(char* destination, int capacity);
bool FindJavaHome(char* destination, int capacity);
// Where FindJavaHome looks once the home and the registered runtime gave
// nothing (runtime_search.cpp, vendor_runtimes.cpp, pe_image.cpp): the
// JavaSoft "JRE" then "JDK" keys, the OpenJDK vendors' keys newest version
// first, then JAVA_HOME; only a home whose bin\server\jvm.dll is x64.
bool FindFurtherJavaHome(char* destination, int capacity);
bool BuildClassPathOption(char* destination, int capacity);
// "-Djava.library.path=" and the Windows directory.
bool BuildLibraryPathOption(char* destination, int capacity);
// The runtime home, "\bin\server\jvm.dll".
bool BuildJvmLibraryPath(const char* javaHome, char* destination, int capacity);

// ---------------------------------------------------------------------------
// Virtual machine start-up (vm_startup.cpp, failure_text.cpp).
using CreateJavaVMProc = jint(JNICALL*)(JavaVM**, void**, void*);
using GetDefaultJavaVMInitArgsProc = jint(JNICALL*)(void*);
using GetCreatedJavaVMsProc = jint(JNICALL*)(JavaVM**, jsize, jsize*);

struct JvmEntryPoints {
  CreateJavaVMProc createJavaVM;
  GetDefaultJavaVMInitArgsProc getDefaultJavaVMInitArgs;
  GetCreatedJavaVMsProc getCreatedJavaVMs;
};

// Fills bridge->vm and bridge->env: creates the process's VM or attaches the
// calling thread to the existing one.
bool StartJavaVM(Bridge* bridge);
bool LoadJvm(JvmEntryPoints* entryPoints);

// The Java runtime's own C runtime DLLs, loaded from <runtime>\bin by full
// path, those present (crt_preload.cpp).
void PreloadRuntimeCrt(const char* javaHome);
// The feature version ("17") a runtime's release file text names, 0 when it
// names none; and that of the runtime whose jvm.dll holds the entry points
// (runtime_release.cpp).  Runtimes from 17 on refuse the permanent-generation
// options.
int ParseJavaFeatureVersion(const char* releaseText);
int JvmFeatureVersion(const JvmEntryPoints* entryPoints);
// The entry points of the jvm.dll that made the process's virtual machine,
// kept for every later start-up (process_jvm.cpp).
void KeepProcessJvm(const JvmEntryPoints* entryPoints);
bool ProcessJvm(JvmEntryPoints* entryPoints);

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
