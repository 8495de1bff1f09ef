// The control-mapping handle on jvmhost's command line.
#include <cctype>

#include "host/host.h"

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
