// Runs EnsureSingleInstance as a launcher would, then, having returned as
// the first instance, sets the event named by the first argument (if any)
// and waits, holding the guard, until the test ends it or a minute passes.
#include <windows.h>

#include "host/host.h"

int main(int argc, char** argv) {
  EnsureSingleInstance();
  if (argc > 1) {
    HANDLE returned = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (returned != nullptr) {
      SetEvent(returned);
      CloseHandle(returned);
    }
  }
  Sleep(60000);
  return 0;
}
