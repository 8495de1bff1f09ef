// The name comparison of the product process search: plain bytes, no locale,
// so the result is the same whatever the user's code page.
#include <cstring>

#include "setup/setup.h"

void UpperCaseAscii(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - ('a' - 'A'));
  }
}

bool NameContainsPattern(const char* name, const char* pattern) {
  return std::strstr(name, pattern) != nullptr;
}

bool SameTextAsciiCaseBlind(const char* first, const char* second) {
  for (;; ++first, ++second) {
    char a = *first, b = *second;
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - ('a' - 'A'));
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - ('a' - 'A'));
    if (a != b) return false;
    if (a == '\0') return true;
  }
}
