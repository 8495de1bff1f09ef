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

namespace {

template <typename Char>
bool SameTextAsciiCaseBlindIn(const Char* first, const Char* second) {
  for (;; ++first, ++second) {
    Char a = *first, b = *second;
    if (a >= 'a' && a <= 'z') a = static_cast<Char>(a - ('a' - 'A'));
    if (b >= 'a' && b <= 'z') b = static_cast<Char>(b - ('a' - 'A'));
    if (a != b) return false;
    if (a == 0) return true;
  }
}

}  // namespace

bool SameTextAsciiCaseBlind(const char* first, const char* second) {
  return SameTextAsciiCaseBlindIn(first, second);
}

bool SameTextAsciiCaseBlind(const wchar_t* first, const wchar_t* second) {
  return SameTextAsciiCaseBlindIn(first, second);
}
