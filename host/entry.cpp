// jvmhost's entry: the first argument chooses the mode, once.
#include "host/host.h"
#include "relay/relay.h"

int JvmHostMain(int argc, wchar_t** argv) {
  if (argc < 2) {
    RunInteractive(nullptr);
    return 0;
  }
  uintptr_t controlMapping = ParseHandleArgument(argv[1]);
  // A number that names no mappable file mapping is the launcher's text.
  if (controlMapping == 0 || !RunPrintRelay(controlMapping)) RunInteractive(argv[1]);
  return 0;
}
