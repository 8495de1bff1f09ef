// Names spelled for the A functions and the virtual machine: exactly, or not
// at all, in every ANSI code page, UTF-8 included.
#include <string>

#include <gtest/gtest.h>

#include "host/host.h"

namespace {

struct SpellingCase {
  UINT codePage;
  const wchar_t* text;
  const char* spelled;  // nullptr: cannot be spelled
};

const SpellingCase kSpellingCases[] = {
    {936, L"\u9752\u79BE\u821F", "\xC7\xE0\xBA\xCC\xD6\xDB"},
    {936, L"\uD55C\uAE00", nullptr},                  // Hangul: no GBK
    {1252, L"caf\u00E9", "caf\xE9"},
    {1252, L"\uFF21", nullptr},                       // full-width A, "A" in best fit
    {65001, L"\uD55C\uAE00", "\xED\x95\x9C\xEA\xB8\x80"},
    {65001, L"a\xD800" L"b", nullptr},                 // lone surrogate, U+FFFD if let through
    {65001, L"\xDC00", nullptr},
};

}  // namespace

TEST(AnsiSpelling, ExactOrRefusedWithNoUnicodeTranslation) {
  for (const SpellingCase& c : kSpellingCases) {
    char destination[64] = "untouched";
    SetLastError(0);
    bool spelled = SpellInCodePage(c.codePage, c.text, destination, sizeof destination);
    DWORD error = GetLastError();
    if (c.spelled != nullptr) {
      EXPECT_TRUE(spelled) << "code page " << c.codePage << ", error " << error;
      EXPECT_STREQ(destination, c.spelled) << "code page " << c.codePage;
    } else {
      EXPECT_FALSE(spelled) << "code page " << c.codePage << " spelled it as " << destination;
      EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION)) << "code page " << c.codePage;
    }
  }
}

TEST(AnsiSpelling, TextTooLongForItsBufferIsToldApart) {
  char destination[4];
  EXPECT_FALSE(SpellInCodePage(65001, L"\u9752\u79BE", destination, sizeof destination));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// The "*.jar" search matches short names too; only a long name ending in
// ".jar" is a jar.
TEST(JarNames, OnlyALongNameEndingInDotJarInAnyCase) {
  const struct {
    const wchar_t* name;
    bool jar;
  } cases[] = {{L"velmo.jar", true}, {L"VELMO.JAR", true}, {L"a.b.Jar", true}, {L"x.jar_old", false},
               {L"x.jarx", false},   {L"x.jar.bak", false}, {L"jar", false},    {L"x.ja", false},
               {L"", false}};
  for (const auto& c : cases) EXPECT_EQ(NamesAJar(c.name), c.jar) << std::string(c.name, c.name + wcslen(c.name));
}
