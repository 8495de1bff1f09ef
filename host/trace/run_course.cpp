// The course of a run, for the file only: the debug output keeps to
// failures, as viewers of it expect.  Each function costs one level check
// when the file is not at the course level.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>

#include "host/host.h"
#include "host/runtime/runtime.h"
#include "host/trace/trace.h"
#include "host/trace/course_texts.h"
#include "host/trace/trace_file.h"

namespace {

using GetVersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);

DWORD ParentProcessId() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return parent;
}

// GetVersionEx tells a program without a compatibility entry for the running
// Windows an older version; ntdll tells the truth.
void TraceWindowsVersion() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  auto getVersion = reinterpret_cast<GetVersionProc>(
      reinterpret_cast<void (*)()>(ntdll != nullptr ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr));
  if (getVersion == nullptr || getVersion(&version) != 0) return;
  TraceCourse(COURSE_WINDOWS, version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber);
}

}  // namespace

bool TraceCourseWanted() { return TraceFileLevel() >= TraceLevel::kCourse; }

void TraceCourse(const char* format, ...) {
  if (!TraceCourseWanted()) return;
  char text[kTraceLineCapacity];
  int prefix = snprintf(text, sizeof text, "%s", TRACE_PREFIX);
  va_list args;
  va_start(args, format);
  vsnprintf(text + prefix, sizeof text - static_cast<size_t>(prefix), format, args);
  va_end(args);
  AppendTraceLine(TraceLevel::kCourse, text);
}

void TraceRunBegins(const char* mode) {
  if (!TraceCourseWanted()) return;
  wchar_t program[kPathCapacity];
  char programText[3 * kPathCapacity] = "jvmhost";
  DWORD length = GetModuleFileNameW(nullptr, program, kPathCapacity);
  // In UTF-8: the folder may hold names the ANSI code page cannot spell.
  if (length == 0 || length >= kPathCapacity ||
      WideCharToMultiByte(CP_UTF8, 0, program, -1, programText, sizeof programText, nullptr, nullptr) == 0) {
    snprintf(programText, sizeof programText, "jvmhost");
  }
  VS_FIXEDFILEINFO version = {};
  ModuleFixedFileInfo(GetModuleHandleA(nullptr), &version);
  TraceCourse(COURSE_RUN_BEGINS, programText, HIWORD(version.dwFileVersionMS), LOWORD(version.dwFileVersionMS),
              HIWORD(version.dwFileVersionLS), LOWORD(version.dwFileVersionLS), mode, GetCurrentProcessId(),
              ParentProcessId());
  TraceWindowsVersion();
  TraceAnsiCodePage();
}

void TraceAnsiCodePage() { TraceCourse(COURSE_ANSI_CODE_PAGE, GetACP()); }

void TraceRuntimeTaken(const char* where, const char* home) {
  if (!TraceCourseWanted()) return;
  // The folder by its long name in UTF-8, as the failure traces name it.
  char named[1024];
  TraceCourse(COURSE_RUNTIME_TAKEN, where, Utf8FolderName(home, named, sizeof named) ? named : home);
}

void TraceRuntimeVersion(int featureVersion) {
  if (featureVersion > 0) {
    TraceCourse(COURSE_RUNTIME_VERSION, featureVersion);
  } else {
    TraceCourse(COURSE_RUNTIME_VERSION_UNKNOWN);
  }
}

void TraceVmOptions(const JavaVMOption* options, int count) {
  if (!TraceCourseWanted()) return;
  for (int i = 0; i < count; ++i) {
    char option[kTraceLineCapacity];
    snprintf(option, sizeof option, options[i].extraInfo != nullptr ? COURSE_VM_HOOK : "%s", options[i].optionString);
    TraceCourse(COURSE_VM_OPTION, i + 1, count, option);
  }
}

uint64_t TraceClockMicros() {
  LARGE_INTEGER now, frequency;
  // Never fails from Windows XP on.
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<uint64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                               now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

void TraceVmReady(bool created, long long result, uint64_t beganMicros) {
  if (!TraceCourseWanted()) return;
  double ms = static_cast<double>(TraceClockMicros() - beganMicros) / 1000.0;
  TraceCourse(created ? COURSE_VM_CREATED : COURSE_VM_ATTACHED, ms, result);
}

void TraceRelayEnds(uint64_t jobs, const char* why) {
  TraceCourse(COURSE_RELAY_ENDS, static_cast<unsigned long long>(jobs), why);
}
