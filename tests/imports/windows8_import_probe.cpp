// A program that imports WaitOnAddress the ordinary way, as jvmhost once
// did: the import check must refuse it.  Never run.
#include <windows.h>

int main() {
  LONG value = 0, undesired = 1;
  // Returns at once: the value already differs.
  return WaitOnAddress(&value, &undesired, sizeof value, 0) ? 0 : 1;
}
