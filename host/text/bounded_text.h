// Composing 8-bit texts into fixed buffers without ever writing past them.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstring>

// Formats into destination; false (and destination left holding an
// unspecified terminated text) when the result would not fit.
inline bool FormatInto(char* destination, int capacity, const char* format, ...) {
  if (destination == nullptr || capacity <= 0) return false;
  va_list args;
  va_start(args, format);
  int written = vsnprintf(destination, static_cast<size_t>(capacity), format, args);
  va_end(args);
  return written >= 0 && written < capacity;
}

// Appends text at *length (the current length of destination); false when it
// would not fit, destination then unchanged.
inline bool AppendInto(char* destination, int capacity, int* length, const char* text) {
  size_t add = strlen(text);
  if (*length < 0 || static_cast<size_t>(*length) + add >= static_cast<size_t>(capacity)) return false;
  memcpy(destination + *length, text, add + 1);
  *length += static_cast<int>(add);
  return true;
}
