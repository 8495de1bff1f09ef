// Time a Java application spends on what it is given (parsing, converting),
// played by the stand-in Java runtime and by the benchmark's floor alike.
#pragma once

#include <windows.h>

// Spends `microseconds` on the calling thread, asleep for the most part:
// the benchmark measures whether the relay overlaps Java's time with the
// producer's, not how many free processors the machine has.  Sleep counts
// whole milliseconds, so the sleep is ntdll's (100 ns units; under Wine a
// select() of that length) and the last stretch is waited out on the
// performance counter.
inline void SpendJavaMicroseconds(int microseconds) {
  if (microseconds <= 0) return;
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  LONGLONG deadline = start.QuadPart + frequency.QuadPart * microseconds / 1000000;
  using DelayExecution = LONG(WINAPI*)(BOOLEAN alertable, const LARGE_INTEGER* interval);
  static DelayExecution delay = reinterpret_cast<DelayExecution>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDelayExecution")));
  // Asleep until about 50 us before the deadline, then on the counter.
  if (delay != nullptr && microseconds > 50) {
    LARGE_INTEGER interval;
    interval.QuadPart = -10LL * (microseconds - 50);
    delay(FALSE, &interval);
  }
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart < deadline);
}
