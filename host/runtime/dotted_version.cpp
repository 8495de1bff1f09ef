#include "host/runtime/dotted_version.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The next number at or after *text without its leading zeros; empty (length
// 0, meaning 0) at the end.  *text moves past it.
const char* NextNumber(const char** text, size_t* length) {
  const char* at = *text;
  while (*at != '\0' && !IsDigit(*at)) ++at;
  while (*at == '0' && IsDigit(at[1])) ++at;
  if (*at == '0') ++at;  // a lone zero: the empty number
  const char* start = at;
  while (IsDigit(*at)) ++at;
  *length = static_cast<size_t>(at - start);
  *text = at;
  return start;
}

}  // namespace

int CompareDottedVersions(const char* a, const char* b) {
  for (;;) {
    size_t lengthA = 0;
    size_t lengthB = 0;
    const char* numberA = NextNumber(&a, &lengthA);
    const char* numberB = NextNumber(&b, &lengthB);
    // Without leading zeros, a longer number is the larger one.
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    int order = strncmp(numberA, numberB, lengthA);
    if (order != 0) return order < 0 ? -1 : 1;
    bool endA = *a == '\0';
    bool endB = *b == '\0';
    if (endA && endB) return 0;
  }
}
