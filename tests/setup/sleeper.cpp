// A process to be found and ended by name: the tests copy it under names
// holding the product pattern.  It sleeps for the given milliseconds (default
// one minute) and then exits with 7, so an exit code of 0 can only come from
// someone terminating it.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 60000;
  Sleep(milliseconds);
  return 7;
}
