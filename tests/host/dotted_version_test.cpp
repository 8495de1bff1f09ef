// Which registered Java runtime counts as newer.
#include <gtest/gtest.h>

#include "host/runtime/dotted_version.h"

TEST(DottedVersion, ComparesNumbersNotTexts) {
  EXPECT_GT(CompareDottedVersions("17.0.10.7", "17.0.9.9"), 0);
  EXPECT_GT(CompareDottedVersions("zulu-17", "zulu-8"), 0);
  EXPECT_GT(CompareDottedVersions("1.8.0_392", "1.8.0_92"), 0);
  EXPECT_EQ(CompareDottedVersions("017.00", "17"), 0);
  EXPECT_LT(CompareDottedVersions("no version", "0.1"), 0);
  EXPECT_GT(CompareDottedVersions("99999999999999999999999.1", "99999999999999999999998.9"), 0);
}
