// The trace file: what support asks a customer for when a print job vanished
// or the launcher did not start, since nobody watches the debug output where
// the relay runs.  Off unless the machine's administrator names a level in
// HKLM\Software\JavaSoft\Prefs\Velmo, value TraceLevel: "failures" (every
// line the debug output gets) or "course" (also the course of each run).
// Each account writes a file of its own in a folder only it, SYSTEM and the
// Administrators can write, %ProgramData%\Velmo\trace\<account SID>: the
// file jvmhost.log, and jvmhost.old.log beside it once it has filled up.
//
//   trace_level.cpp   the setting, read once per process
//   trace_line.cpp    a line: time, process, thread, text
//   trace_folder.cpp  the account's folder, made or checked, and held while
//                     a file in it is opened
//   shared_level.cpp  whether a shared level found there may be used
//   trace_writer.cpp  the file: opened without following anything planted
//                     in its place, whole lines appended, bounded
//   run_course.cpp    the course-of-run lines, for any part of jvmhost
//
// Nothing here ever changes what jvmhost does: a file that cannot be had or
// written costs a level check per line, and nothing is written per chunk.
#pragma once

#include <windows.h>

#include <cstdint>

#include <jni.h>

enum class TraceLevel { kOff = 0, kFailures = 1, kCourse = 2 };

// ---------------------------------------------------------------------------
// The setting (trace_level.cpp).
constexpr char kTraceSettingKey[] = "Software\\JavaSoft\\Prefs\\Velmo";
constexpr char kTraceSettingValue[] = "TraceLevel";
// "failures" or "course", in any case; anything else is off.
TraceLevel ParseTraceLevel(const char* text);
// The machine's setting, read at the first call of the process.
TraceLevel TraceFileLevel();

// ---------------------------------------------------------------------------
// Lines (trace_line.cpp).
constexpr int kTraceLineCapacity = 1280;
// "2026-12-10 10:21:40.123Z pid 1234 tid 5678 <text>\n", the time in UTC;
// a newline ending text is not doubled, one inside it becomes a space, so a
// line stays one line.  Returns the length, 0 when nothing fits.
int ComposeTraceLine(char* destination, int capacity, const SYSTEMTIME& utc, DWORD processId, DWORD threadId,
                     const char* text);

// ---------------------------------------------------------------------------
// The file (trace_writer.cpp).
// Neither file grows past this; the older is replaced when the current fills.
constexpr int64_t kTraceFileBound = 1 << 20;
constexpr wchar_t kTraceFileName[] = L"jvmhost.log";
constexpr wchar_t kOlderTraceFileName[] = L"jvmhost.old.log";
// A file that could not be opened, or a full one that could not be turned,
// is tried again at the first line after this long; lines until then are lost.
constexpr unsigned long long kTraceRetryMs = 30000;
// Appends text as one line when the machine's level is `level` or higher.
void AppendTraceLine(TraceLevel level, const char* text);

// ---------------------------------------------------------------------------
// The course of a run (run_course.cpp); each writes only at kCourse.
bool TraceCourseWanted();
// "jvmhost: <formatted text>"
void TraceCourse(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Program, version, mode, process and parent, code page, Windows version.
void TraceRunBegins(const char* mode);
void TraceAnsiCodePage();
void TraceRuntimeTaken(const char* where, const char* home);
void TraceRuntimeVersion(int featureVersion);
void TraceVmOptions(const JavaVMOption* options, int count);
// A point in time for TraceVmReady and job durations, in microseconds.
uint64_t TraceClockMicros();
void TraceVmReady(bool created, long long result, uint64_t beganMicros);
void TraceRelayEnds(uint64_t jobs, const char* why);
