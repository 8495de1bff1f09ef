// The ground the other tests stand on: a 64-bit Windows process under Wine
// with the ANSI code page 936.
#include <windows.h>

#include <gtest/gtest.h>

TEST(Platform, RunsAsSixtyFourBitWindowsProcess) {
  EXPECT_EQ(sizeof(void*), 8u);
  BOOL wow64 = TRUE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64)) << "IsWow64Process failed: " << GetLastError();
  EXPECT_FALSE(wow64);
}

TEST(Platform, AnsiCodePageIsGbk) {
  EXPECT_EQ(GetACP(), 936u);
  const char gbk[] = "\xC7\xE0\xBA\xCC\xD6\xDB";  // the product's name
  wchar_t wide[8] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, wide, 8), 4);
  EXPECT_EQ(wide[0], 0x9752);
  EXPECT_EQ(wide[1], 0x79BE);
  EXPECT_EQ(wide[2], 0x821F);
}
