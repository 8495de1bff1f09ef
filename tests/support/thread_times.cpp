#include "tests/support/thread_times.h"

#include <cstdint>

double ThreadCpuMs(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& time) {
    return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}
