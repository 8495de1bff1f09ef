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
