// jvmhost's Java host, room by room; each room's chief header lists its files.
//
//   host/main.cpp, entry.cpp, handle_argument.cpp, launch_session.cpp
//                   the entry and mode selection (declared below)
//   host/runtime/   runtime.h: where the Java runtime is, loading jvm.dll
//   host/text/      text.h: fixed texts, code pages and UTF-16
//   host/vm/        vm.h: the virtual machine's options, start-up, messages
//   host/bridge/    bridge.h: a thread bound to the print object, the print
//                   calls, the places override
//   host/launcher/  launcher.h: interactive launch, single instance
//   host/trace/     trace.h: failure traces and the trace file
//   host/resources/ the icon, the manifest and the version resource
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/runtime/runtime.h"
#include "host/text/text.h"
#include "host/vm/vm.h"
#include "host/bridge/bridge.h"
#include "host/launcher/launcher.h"

// ---------------------------------------------------------------------------
// Entry and mode selection (entry.cpp, handle_argument.cpp,
// launch_session.cpp).
// The first argument read as "%d", its 32 bits zero-extended; 0 when it does
// not begin with a number.  Only ASCII counts: white space, a sign, the
// digits '0' to '9'; any other character (a full-width digit, a byte of a
// multi-byte character) is no part of a number.
uintptr_t ParseHandleArgument(const char* text);
uintptr_t ParseHandleArgument(const wchar_t* text);
// argv: the command line as CommandLineToArgvW splits it.  Returns 0, or
// kLaunchFailedExitCode where the launcher was declined (session 0).
int JvmHostMain(int argc, wchar_t** argv);
// Whether the interactive launch may run in the process's session: never in
// session 0, where only services run and no window is seen.  A session that
// cannot be told (sessionKnown false) is taken as one the user sees.
bool InteractiveLaunchSeen(bool sessionKnown, DWORD sessionId);
// InteractiveLaunchSeen for this process (ProcessIdToSessionId).
bool ProcessSessionSeen();
