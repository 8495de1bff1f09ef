// The control-mapping handle on jvmhost's command line.  Read from the wide
// argument, so a character the ANSI code page would "best fit" to a digit, a
// sign or a space (a full-width digit, say) stays what it is: no number.
#include "host/host.h"

namespace {

bool IsAsciiSpace(unsigned unit) { return unit == ' ' || (unit >= '\t' && unit <= '\r'); }
bool IsAsciiDigit(unsigned unit) { return unit >= '0' && unit <= '9'; }

// As "%d" reads it: white space, a sign, digits; the rest is ignored.  The
// 32 bits are stored into a zeroed pointer-sized value, so "-1" gives
// 0xFFFFFFFF and never the all-ones invalid handle.  Overlong numbers wrap.
template <typename Unit>
uintptr_t ParseHandleUnits(const Unit* p) {
  while (IsAsciiSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!IsAsciiDigit(*p)) return 0;
  uint32_t value = 0;
  while (IsAsciiDigit(*p)) value = value * 10u + static_cast<uint32_t>(*p++ - '0');
  if (negative) value = 0u - value;
  return static_cast<uintptr_t>(value);
}

}  // namespace

uintptr_t ParseHandleArgument(const char* text) {
  return ParseHandleUnits(reinterpret_cast<const unsigned char*>(text));
}

uintptr_t ParseHandleArgument(const wchar_t* text) { return ParseHandleUnits(text); }
