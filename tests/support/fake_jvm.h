// Control and recording interface of the stand-in jvm.dll (tools/fakejvm).
//
// The stand-in plays a Java runtime and a recording Java application
// ("velmo/jni/VelmoPSJNI", getInstance, the five methods).  It is configured
// through environment variables read when the VM is created or a thread
// attaches (so a jvmhost.exe started by a test inherits them), or in-process
// through FakeJvm_Configure with the same keys in lower case without the
// prefix (FAKEJVM_CREATE_RESULT <-> "create_result").
//
// As strict as HotSpot where the host has been wrong before:
//   - java.class.path is split at ';'; only entries that name an existing
//     directory or file count (a quote makes an entry name nothing), and
//     FindClass("velmo/jni/VelmoPSJNI") finds the class only in such an entry,
//     the first that holds it in class path order (a relative entry such as
//     "." is taken from the current directory): a directory holding
//     velmo\jni\VelmoPSJNI.class, or a jar whose zip central directory lists
//     velmo/jni/VelmoPSJNI.class.  Otherwise it returns null with
//     NoClassDefFoundError pending.
//   - its version is built in: the product version of its own version
//     resource (jvm_versioned.dll has one, 17.0.9.0; SetImageVersions patches
//     a copy).  Without one it comes from <runtime>\release (JAVA_VERSION),
//     the runtime being three levels above the DLL
//     (<runtime>\bin\server\jvm.dll), else from java_version.  From
//     17 on -XX:PermSize / -XX:MaxPermSize are refused (result -6, "Unrecognized
//     VM option 'PermSize=64M'"), unless ignoreUnrecognized; 8 to 16 warn
//     about each and go on.  Any other -XX flag than a few common ones
//     (startup_arguments.cpp) is refused the same way.  An option of no known
//     kind is refused with -1 ("Unrecognized %s%soption: %s\n" with "", "").
//   - the options are read as HotSpot reads them: JAVA_TOOL_OPTIONS (before
//     any hook is known), the creation's options in order, then _JAVA_OPTIONS,
//     each variable split at blanks and announced on stderr ("Picked up ...").
//     "vfprintf", "exit" and "abort" (exactly those words) take their hook
//     from extraInfo, and count from there on.
//   - what the VM says goes through the vfprintf hook (stream stderr), else to
//     stderr, in HotSpot's forms (measured on 17 and 25): a refusal is one
//     whole line; a warning is one bare call, format "%s warning: " with
//     "OpenJDK 64-Bit Server VM", no text, no line break, its text then
//     written to stderr past the hook.
//   - a creation that fails past recovery (init_error, or a second jvm.dll
//     creating a VM in a process that has one) prints, on stream stdout as
//     HotSpot's tty does, "%.*s" pieces: "Error occurred during
//     initialization of VM\n", the cause, "\n"; calls the abort hook twice
//     (HotSpot 17 and 25 call it once; a host must bear a second call) and
//     ends the process with exit code 1.
//   - one creation per process: a creation while another is in progress, or
//     after one, returns -5; JNI_GetCreatedJavaVMs counts the VM from the
//     start of its creation (HotSpot before 21 does), and AttachCurrentThread
//     on it before the creation returned is a violation.
//   - jvm_crt.dll imports vcruntime140_1.dll (tools/fakejvm/crt, built into
//     bin\crt), which a runtime ships only in <runtime>\bin.
//   - with native_library set, getInstance first loads <runtime>\bin\NAME
//     by full path with a plain LoadLibrary, as HotSpot's System.load does;
//     the library built as bin\native\awt.dll imports fakemsvcp.dll (built
//     beside it), a name Wine has no builtin of.  A library that does not
//     load leaves UnsatisfiedLinkError pending and getInstance gives null.
//
// Keys:
//   create_result=N       JNI_CreateJavaVM returns N (negative: no VM made)
//   attach_result=N       AttachCurrentThread returns N
//   no_class=1            FindClass("velmo/jni/VelmoPSJNI") gives null
//   no_get_instance=1     GetStaticMethodID("getInstance") gives null
//   null_instance=1       getInstance returns null
//   omit_method=NAME      GetMethodID(NAME) gives null
//   throw_from=NAME       Java method NAME returns with an exception pending
//   fail_new_byte_array=N NewByteArray fails (null, OutOfMemoryError pending)
//                         from the N-th call on (1 = the first; counted from
//                         the last FakeJvm_ResetRecord)
//   fail_new_byte_array_once=N  only the N-th NewByteArray fails, as when a
//                         collection frees the heap before the next one
//   write_ps_data_result=N  the int writePSData returns (default: the length)
//   slow_ms=N             writePSData sleeps N ms before it returns
//   work_us=N             writePSData spends N us before it returns, asleep
//                         but for its last 50 us (tools/fakejvm/java_work.h)
//   hold_data=NAME        each writePSData returns only once the named event
//                         NAME is signalled (one signal per call); a call
//                         held 10 s is a violation
//   copy_ms=N             SetByteArrayRegion reads the caller's bytes only N ms
//                         later, and bytes no longer mapped then are a
//                         violation (the array keeps zeros), not a crash
//   slow_end_ms=N         writeEnd sleeps N ms before it returns
//   hang_end=N            the process's first N writeEnd calls do not return
//                         while the setting stays (never, in another process)
//   count_only=1          keep no bytes, only count them (benchmarks); a
//                         print method's array is emptied once counted and
//                         its storage reused for the next array
//   log_file=PATH         append every event line to PATH as well
//   header_file=PATH      append the bytes writeHeader receives to PATH
//   data_file=PATH        append the bytes writePSData receives to PATH
//   java_version=N        the VM's version when it has no version resource and
//                         its runtime no release file (default 8)
//   init_error=TEXT       creation ends the process as above, with TEXT as cause
//   create_ms=N           a creation that read its options takes N ms more,
//                         without the DLL's lock, before it returns
//   native_library=NAME   the application loads <runtime>\bin\NAME, as above
//   child_command=LINE    on the process's first "runVelmo" the application
//                         starts LINE as a process that inherits every
//                         inheritable handle (Runtime.exec does so)
//
// Event lines, in call order:
//   "GetCreatedJavaVMs count=N"
//   "CreateJavaVM version=0x10006 nOptions=N ignoreUnrecognized=0 result=N"
//   "option TEXT"                     one per option, after CreateJavaVM
//   "VM exits during initialization: CAUSE"
//   "class velmo/jni/VelmoPSJNI from ENTRY"  the class path entry FindClass
//                                    found the class in, after its FindClass
//   "AttachCurrentThread result=N"
//   "DetachCurrentThread"
//   "FindClass NAME", "GetStaticMethodID NAME SIG", "GetObjectClass",
//   "GetMethodID NAME SIG", "NewGlobalRef", "DeleteGlobalRef",
//   "NewByteArray N", "DeleteLocalRef", "ExceptionClear", ...
//   Java application calls:
//   "java getInstance", "java braskMain null", "java braskMain TEXT"
//   (TEXT as UTF-8), "java runVelmo", "java writeHeader N",
//   "java writePSData N", "java writeEnd"
//   "java System.load NAME ok", "java System.load NAME failed ERROR"
//   Strict-check failures (like -Xcheck:jni):
//   "VIOLATION what"   env used on a foreign thread, a call with an
//                      exception pending, a deleted or null reference used...
#pragma once

#include <stddef.h>
#include <stdint.h>

extern "C" {
// Sets a key (see above); value null resets it to its default.
typedef void(__cdecl* FakeJvm_ConfigureProc)(const char* key, const char* value);
// Forgets recorded events and bytes, and the count of NewByteArray calls
// (configuration and the VM stay).
typedef void(__cdecl* FakeJvm_ResetRecordProc)();
typedef int(__cdecl* FakeJvm_EventCountProc)();
// Copies event i's line (terminated) into buffer; returns its length, -1 if none.
typedef int(__cdecl* FakeJvm_EventProc)(int index, char* buffer, int capacity);
// Win32 thread id that made event i.
typedef uint32_t(__cdecl* FakeJvm_EventThreadProc)(int index);
// Bytes received so far by stream "header", "data" or "string" (UTF-16 of
// braskMain's argument); copies up to capacity, returns the total size.
typedef size_t(__cdecl* FakeJvm_ReceivedProc)(const char* stream, void* buffer, size_t capacity);
typedef int(__cdecl* FakeJvm_ViolationCountProc)();
// Live references: kind "local" (all threads) or "global".
typedef int(__cdecl* FakeJvm_LiveRefsProc)(const char* kind);
}
