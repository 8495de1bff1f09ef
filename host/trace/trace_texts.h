// Every failure trace of jvmhost, in one place.  Traces are for support staff
// and are plain English.
#pragma once

#define TRACE_PREFIX "jvmhost: "

// Start-up of the Java virtual machine.
#define TRACE_NO_APP_HOME "no application home (HKLM\\Software\\JavaSoft\\Prefs\\Velmo VelmoHome)"
#define TRACE_CLASS_PATH_TOO_LONG "class path option does not fit its buffer"
#define TRACE_NO_LIBRARY_PATH "library path option cannot be composed"
#define TRACE_NO_JAVA_RUNTIME "no Java runtime under the application home, registered, nor in JAVA_HOME"
#define TRACE_STARTUP_FAILED "Java VM start-up failed"
// A runtime of the wider search (JavaSoft JRE/JDK keys, vendors' keys,
// JAVA_HOME) not taken; the detail is "<where it was found> = <home>".
#define TRACE_RUNTIME_NO_JVM "Java runtime passed over, no bin\\server\\jvm.dll"
#define TRACE_RUNTIME_JVM_UNREADABLE "Java runtime passed over, its jvm.dll is unreadable"
#define TRACE_RUNTIME_JVM_NOT_X64 "Java runtime passed over, its jvm.dll is not a 64-bit x64 image"
#define TRACE_DLL_DIRECTORY_REFUSED "Java runtime's bin directory not taken as the DLL directory; its C runtime is preloaded"
#define TRACE_CRT_NOT_LOADED "Java runtime's C runtime did not load from its bin directory"
// Said once per process, before its first trace, where the ANSI code page is
// not 936: folders are named in UTF-8, the box texts are GBK.
#define TRACE_CODE_PAGE "process runs under ANSI code page"
// A folder's or file's name, in UTF-8.
#define TRACE_FOLDER_NAME_UNUSABLE \
  "name cannot be spelled in the ANSI code page, nor has it a short (8.3) name that can; taken as missing"
#define TRACE_VM_SAID "Java VM said"
#define TRACE_VM_ENDS_PROCESS "Java VM is ending the process; it said"

// The trace file's own: a shared folder (%ProgramData%\Velmo or ...\trace)
// that another account could have made or changed; the file stays off.
#define TRACE_SHARED_LEVEL_REFUSED "trace file off, a shared folder is not as jvmhost makes it"

// The bridge to the Java application.
#define TRACE_BRIDGE_MISSING_PIECE "Java application lacks a piece of the bridge"
#define TRACE_JAVA_EXCEPTION "Java exception cleared after"
#define TRACE_NO_BYTE_ARRAY "Java byte array could not be made, bytes not passed on"
// Why a thread could not be bound to Java (LastBridgeFailure).
#define BIND_NO_APP_HOME "no application home"
#define BIND_NO_JAVA_RUNTIME "no usable Java runtime"
#define BIND_FOLDER_UNUSABLE "a folder's name cannot be spelled in the ANSI code page"
#define BIND_VM_NOT_CREATED "the Java VM could not be created"
#define BIND_ATTACH_REFUSED "the Java VM refused to attach the thread"
#define BIND_LACKS "the Java application lacks %s"
#define BIND_GET_INSTANCE_THREW "getInstance threw"
#define BIND_GET_INSTANCE_NULL "getInstance gave null"
#define BIND_NO_GLOBAL_REFERENCE "no global reference to the print object"
#define BIND_NO_MEMORY "out of memory"
#define BIND_WORKER_ENDED "the relay worker ended before it bound"

// The print relay.
// The detail is the reason (LastBridgeFailure); the job's signals are then
// answered unread and its end marker gets no job event.
#define TRACE_JOB_NOT_BOUND "job not delivered: Java could not be bound"
#define TRACE_WORKER_NOT_STARTED "relay worker could not be started"
#define TRACE_SPARE_WORKER_REPLACED "relay worker started ahead had no thread; its job got a new one"
#define TRACE_JOB_WITHOUT_WORKER "no relay worker for the job; job failed, its signals answered unread"
#define TRACE_HEADER_NOT_PASSED "job header not passed on to Java; job ended, rest drained"
#define TRACE_DATA_NOT_PASSED "job data not passed on to Java; job ended, rest drained"
#define TRACE_CONTROL_VIEW_FAILED "control mapping view failed"
#define TRACE_CHUNK_VIEW_FAILED "chunk view failed to map; job ended"
#define TRACE_BAD_CHUNK_LENGTH "bad chunk length; chunk skipped"
#define TRACE_WAIT_FAILED "wait failed"
#define TRACE_WORKER_PAST_BOUND "job's worker still in Java after the worker bound; left to finish on its own"
#define TRACE_PRODUCER_GONE "producer gone (starter ended or unknown, nobody else holds the job event or the control mapping); relay ended"
#define TRACE_PRODUCER_GONE_MID_JOB "producer gone (starter ended or unknown, nobody else holds the job event or the control mapping); job ended"
// A process in session 0 does not launch: nobody would see its windows.
#define TRACE_NO_LAUNCH_IN_SESSION_ZERO "launcher not started in session 0, where no window is seen; process ends"
// A runtime a relay running as SYSTEM, a service account or elevated does not take.
#define TRACE_RUNTIME_OTHERS_MAY_CHANGE \
  "Java runtime passed over by a privileged relay, an account other than SYSTEM and the Administrators may change it"
#define TRACE_RUNTIME_UNJUDGED "Java runtime passed over by a privileged relay, who may change it cannot be read"
