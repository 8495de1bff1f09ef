// The dependent-file list the driver record carries.
#include <cstring>

#include <gtest/gtest.h>

#include "setup/setup.h"

TEST(FillDependentFiles, WritesThreeBareNamesAsMultiStringInClearedBlock) {
  char block[kDependentFilesCapacity];
  std::memset(block, '#', sizeof block);
  FillDependentFiles(block);
  const char expected[] = "velmops.dll\0velmo.ini\0velmo.inf\0";  // plus the literal's own NUL
  EXPECT_EQ(std::memcmp(block, expected, sizeof expected), 0);
  for (size_t i = sizeof expected; i < sizeof block; ++i) {
    ASSERT_EQ(block[i], '\0') << "byte " << i << " of the block is not cleared";
  }
}
