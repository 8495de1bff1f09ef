// The bridge: one thread bound to the virtual machine and the application's
// print object, the print calls, and what binding does to the process.
//
//   bridge.cpp           making and ending a bridge, its methods, the print
//                        object
//   bridge_calls.cpp     the job's start and end, the print calls and their
//                        Java arrays
//   ansi_string.cpp      8-bit and wide texts as Java strings
//   java_exceptions.h    a Java exception left pending, cleared and traced
//   places_override.h/.cpp  HKEY_CURRENT_USER redirected for the file
//                        dialogs' places bar
//   registry_tree.cpp    deleting a registry tree
#pragma once

#include <windows.h>

#include <cstdint>

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
// Java bridge (bridge.cpp, places_override.cpp, registry_tree.cpp).
Bridge* CreateBridge();
// Why the calling thread's last CreateBridge gave no bridge, in plain English
// for the traces (BIND_* of trace_texts.h); "" after one that gave a bridge.
const char* LastBridgeFailure();
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
