// Reading the control-mapping handle from the first argument as "%d" does.
#include <gtest/gtest.h>

#include "host/host.h"

TEST(HandleArgument, DecimalNumberIsTheHandleValue) {
  EXPECT_EQ(ParseHandleArgument("1234"), 1234u);
  EXPECT_EQ(ParseHandleArgument("+56"), 56u);
}

TEST(HandleArgument, TextThatDoesNotBeginWithANumberIsZero) {
  EXPECT_EQ(ParseHandleArgument(""), 0u);
  EXPECT_EQ(ParseHandleArgument("abc"), 0u);
  EXPECT_EQ(ParseHandleArgument("-"), 0u);
  EXPECT_EQ(ParseHandleArgument("x12"), 0u);
  EXPECT_EQ(ParseHandleArgument("\xC7\xE0"), 0u);  // GBK lead byte, not a digit
}

TEST(HandleArgument, LeadingWhiteSpaceIsSkippedAndTrailingLettersIgnored) {
  EXPECT_EQ(ParseHandleArgument(" 12x"), 12u);
  EXPECT_EQ(ParseHandleArgument("\t\n 7 8"), 7u);
}

TEST(HandleArgument, NegativeValuesAreZeroExtendedThirtyTwoBits) {
  EXPECT_EQ(ParseHandleArgument("-1"), static_cast<uintptr_t>(4294967295u));
  EXPECT_NE(ParseHandleArgument("-1"), reinterpret_cast<uintptr_t>(INVALID_HANDLE_VALUE));
  EXPECT_EQ(ParseHandleArgument("-2147483648"), static_cast<uintptr_t>(0x80000000u));
}

TEST(HandleArgument, OverlongNumberKeepsItsLowThirtyTwoBits) {
  EXPECT_EQ(ParseHandleArgument("4294967297"), 1u);
}

TEST(HandleArgument, WideArgumentCountsOnlyAsciiDigits) {
  EXPECT_EQ(ParseHandleArgument(L"1234"), 1234u);
  EXPECT_EQ(ParseHandleArgument(L" -1"), static_cast<uintptr_t>(4294967295u));
  EXPECT_EQ(ParseHandleArgument(L"\uFF11\uFF12"), 0u);  // full-width digits, "12" in best fit
  EXPECT_EQ(ParseHandleArgument(L"\u0661\u0662"), 0u);  // Arabic-Indic digits
  EXPECT_EQ(ParseHandleArgument(L"\u3000" L"12"), 0u);   // ideographic space
}
