// jvmhost's traces: one line per failure that jvmhost otherwise passes over
// in silence, written to the debug output (OutputDebugStringA, or the W call
// for a line in UTF-8 beyond ASCII), so a debug-output viewer (or
// WINEDEBUG=+debugstr under Wine) shows why a print job vanished or the
// launcher did not start, and to the trace file when the machine has it on.
// No window or console sees them.  Every failure trace lies on a failure
// path, so a clean run pays nothing.
//
//   trace.cpp         failure traces: the debug output, and the file
//   trace_texts.h     the failure traces' texts
//   trace_file.h      the trace file, its files listed there
//   course_texts.h    the texts of the course-of-run lines
#pragma once

#include "host/trace/course_texts.h"
#include "host/trace/trace_file.h"
#include "host/trace/trace_texts.h"

// "jvmhost: <what> (error <code>)".  The code is a Windows error code, or a
// signed value where one fits better (a JNI result, a chunk's length).
void TraceFailure(const char* what, long long code);
// "jvmhost: <what>: <detail> (error <code>)"
void TraceFailureDetail(const char* what, const char* detail, long long code);
// As TraceFailureDetail, the detail a path in the ANSI code page named by its
// long name in UTF-8, so support reads it on any system.
void TraceFailureFolder(const char* what, const char* ansiPath, long long code);
// Whether text holds more than ASCII and is well-formed UTF-8 (a folder's
// name); the fixed texts, GBK, and the 8-bit code pages' texts are not.
bool TraceTextIsUtf8(const char* text);
