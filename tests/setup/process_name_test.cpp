// The byte rules of the product process search: ASCII-only upper-casing and
// containment.
#include <string>

#include <gtest/gtest.h>

#include "setup/setup.h"

namespace {

std::string UpperCased(std::string text) {
  UpperCaseAscii(&text[0]);
  return text;
}

}  // namespace

TEST(UpperCaseAscii, RaisesOnlyAsciiLowerCaseLetters) {
  EXPECT_EQ(UpperCased("myVELMOjni_x-09.exe"), "MYVELMOJNI_X-09.EXE");
  EXPECT_EQ(UpperCased("@[`{"), "@[`{") << "neighbours of the letter ranges must stay";
}

TEST(UpperCaseAscii, LeavesBytesFromHexEightyUp) {
  // GBK for the product name, then Latin-1 a-grave: no locale is consulted.
  EXPECT_EQ(UpperCased("\xC7\xE0\xBA\xCC\xD6\xDB\xE0"), "\xC7\xE0\xBA\xCC\xD6\xDB\xE0");
}

TEST(UpperCaseAscii, ChangesTrailByteOfDoubleByteCharacterInLetterRange) {
  // 0x81 0x61 is one GBK character; its trail byte is 'a' and is raised all the same.
  EXPECT_EQ(UpperCased("\x81\x61"), "\x81\x41");
}

TEST(NameContainsPattern, FindsPatternAtStartMiddleAndEnd) {
  EXPECT_TRUE(NameContainsPattern("VELMOJNI.EXE", "VELMOJNI"));
  EXPECT_TRUE(NameContainsPattern("MYVELMOJNI_X.EXE", "VELMOJNI"));
  EXPECT_TRUE(NameContainsPattern("XVELMOJNI", "VELMOJNI"));
}

TEST(NameContainsPattern, NeedsTheBytesOneAfterAnother) {
  EXPECT_FALSE(NameContainsPattern("VELMO_JNI.EXE", "VELMOJNI"));
  EXPECT_FALSE(NameContainsPattern("VELMOJN", "VELMOJNI")) << "a name shorter than the pattern";
}

TEST(NameContainsPattern, EmptyPatternMatchesAtOnce) { EXPECT_TRUE(NameContainsPattern("ANY.EXE", "")); }
