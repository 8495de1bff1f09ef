// A process that only waits, copied under chosen file names so that the
// tests can end it by name.  It leaves by itself after a minute in case a
// test does not.
#include <windows.h>

int main() {
  Sleep(60000);
  return 0;
}
