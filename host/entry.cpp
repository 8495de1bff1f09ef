// jvmhost's entry: the first argument chooses the mode, once.
#include <cctype>

#include "host/host.h"
#include "relay/relay.h"

uintptr_t ParseHandleArgument(const char* text) {
  // As "%d" reads it: white space, a sign, digits; the rest is ignored.  The
  // 32 bits are stored into a zeroed pointer-sized value, so "-1" gives
  // 0xFFFFFFFF and never the all-ones invalid handle.  Overlong numbers wrap.
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (isspace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!isdigit(*p)) return 0;
  uint32_t value = 0;
  while (isdigit(*p)) value = value * 10u + static_cast<uint32_t>(*p++ - '0');
  if (negative) value = 0u - value;
  return static_cast<uintptr_t>(value);
}

int JvmHostMain(int argc, char** argv) {
  if (argc < 2) {
    RunInteractive(nullptr);
    return 0;
  }
  uintptr_t controlMapping = ParseHandleArgument(argv[1]);
  // A number that names no mappable file mapping is the launcher's text.
  if (controlMapping == 0 || !RunPrintRelay(controlMapping)) RunInteractive(argv[1]);
  return 0;
}
