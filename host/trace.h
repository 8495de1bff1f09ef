// Failure traces: one line per failure that jvmhost otherwise passes over in
// silence, written with OutputDebugStringA, so a debug-output viewer (or
// WINEDEBUG=+debugstr under Wine) shows why a print job vanished or the
// launcher did not start.  Nothing else sees them: no file, window or
// console.  Every trace lies on a failure path, so a clean run pays nothing.
#pragma once

#include "host/trace_texts.h"

// "jvmhost: <what> (error <code>)"
void TraceFailure(const char* what, unsigned long errorCode);
// "jvmhost: <what>: <detail> (error <code>)"
void TraceFailureDetail(const char* what, const char* detail, unsigned long errorCode);
