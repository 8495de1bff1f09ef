// A process to be found and ended by name: the tests copy it under names
// holding the product pattern.  It sleeps for the given milliseconds (default
// one minute) and then exits with 7, so an exit code of 0 can only come from
// someone terminating it.  "--code-page N" exits at once, with 0 when its
// ANSI code page is N and 1 otherwise, to show what a test's way of starting
// a process gives it.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--code-page") == 0) {
    return GetACP() == std::strtoul(argv[2], nullptr, 10) ? 0 : 1;
  }
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 60000;
  Sleep(milliseconds);
  return 7;
}
