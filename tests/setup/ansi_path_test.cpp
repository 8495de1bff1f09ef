// Naming a path the system gave in its wide form for the A functions.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "setup/setup.h"

// A path code page 936 spells is taken as it is, whether or not it exists.
TEST(AnsiPathFor, SpelledPathIsItsExactSpelling) {
  std::string ansi;
  DWORD error = ERROR_SUCCESS;
  ASSERT_TRUE(AnsiPathFor(L"C:\\no\\\u9752\u79BE\u821F", &ansi, &error)) << error;
  EXPECT_EQ(ansi, "C:\\no\\\xC7\xE0\xBA\xCC\xD6\xDB");
}

// Neither "?" nor a best-fit look-alike (U+00AD would become '-'): a path the
// code page cannot spell is named by its short form, which a missing one has not.
TEST(AnsiPathFor, UnspelledPathThatDoesNotExistHasNoName) {
  for (const wchar_t* path : {L"C:\\no\\\uD55C\uAE00 \U0001F600 src", L"C:\\no\\x\u00ADy"}) {
    std::string ansi;
    DWORD error = ERROR_SUCCESS;
    EXPECT_FALSE(AnsiPathFor(path, &ansi, &error)) << ansi;
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << "GetShortPathNameW: " << error;
  }
}
