#include <cstdio>

#include "host/trace/trace_file.h"

int ComposeTraceLine(char* destination, int capacity, const SYSTEMTIME& utc, DWORD processId, DWORD threadId,
                     const char* text) {
  if (destination == nullptr || capacity < 2 || text == nullptr) return 0;
  int length = snprintf(destination, static_cast<size_t>(capacity), "%04u-%02u-%02u %02u:%02u:%02u.%03uZ pid %lu tid %lu ",
                        utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds,
                        static_cast<unsigned long>(processId), static_cast<unsigned long>(threadId));
  if (length < 0 || length >= capacity - 1) return 0;
  // A longer text is cut, never spilt into a second line.
  for (const char* c = text; *c != '\0' && length < capacity - 2; ++c) {
    if (*c == '\n' && c[1] == '\0') break;
    destination[length++] = (*c == '\n' || *c == '\r') ? ' ' : *c;
  }
  destination[length++] = '\n';
  destination[length] = '\0';
  return length;
}
