// Read from HKEY_LOCAL_MACHINE only: the relay may run in a more powerful
// account than the user, and a user's own key (redirected in-process for the
// file dialogs anyway) must not switch a file on for it.
#include <cstring>

#include "host/runtime/registry_key.h"
#include "host/trace/trace_file.h"

namespace {

TraceLevel ReadTraceLevel() {
  KeyHolder key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTraceSettingKey, 0, KEY_QUERY_VALUE, &key.key) != ERROR_SUCCESS) {
    return TraceLevel::kOff;
  }
  char text[32] = "";
  DWORD type = 0;
  DWORD size = sizeof text - 1;
  if (RegQueryValueExA(key.key, kTraceSettingValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return TraceLevel::kOff;
  }
  text[size < sizeof text ? size : sizeof text - 1] = '\0';
  return ParseTraceLevel(text);
}

}  // namespace

TraceLevel ParseTraceLevel(const char* text) {
  if (text == nullptr) return TraceLevel::kOff;
  if (_stricmp(text, "failures") == 0) return TraceLevel::kFailures;
  if (_stricmp(text, "course") == 0) return TraceLevel::kCourse;
  return TraceLevel::kOff;
}

TraceLevel TraceFileLevel() {
  // Once per process: a trace of the first job and of the thousandth go to
  // the same place, and the registry is not asked again per line.
  static const TraceLevel level = ReadTraceLevel();
  return level;
}
