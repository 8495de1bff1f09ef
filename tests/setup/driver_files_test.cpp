// Composing the driver-file paths into fixed MAX_PATH buffers.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "setup/setup.h"

namespace {

constexpr char kGuard = '\x5A';

// A MAX_PATH buffer with guard bytes after it, to see any write past its end.
struct GuardedPath {
  char path[MAX_PATH];
  char guard[16];
  GuardedPath() {
    std::memset(path, kGuard, sizeof path);
    std::memset(guard, kGuard, sizeof guard);
  }
  bool GuardIntact() const {
    for (char c : guard) {
      if (c != kGuard) return false;
    }
    return true;
  }
};

}  // namespace

TEST(ComposePath, KeepsTrailingSeparatorGivingTwo) {
  char path[MAX_PATH];
  EXPECT_TRUE(ComposePath("C:\\drivers\\", "\\PSCRIPT5.DLL", path));
  EXPECT_STREQ(path, "C:\\drivers\\\\PSCRIPT5.DLL");
}

TEST(ComposePath, FillsTheBufferToTheLastByte) {
  const std::string directory(MAX_PATH - 1 - 13, 'd');  // 13: "\PSCRIPT5.DLL"
  GuardedPath composed;
  EXPECT_TRUE(ComposePath(directory.c_str(), "\\PSCRIPT5.DLL", composed.path));
  EXPECT_EQ(std::strlen(composed.path), MAX_PATH - 1u);
  EXPECT_TRUE(composed.GuardIntact());
}

TEST(ComposePath, RefusesOneByteTooManyAndWritesNothingPastTheBuffer) {
  const std::string directory(MAX_PATH - 13, 'd');
  GuardedPath composed;
  EXPECT_FALSE(ComposePath(directory.c_str(), "\\PSCRIPT5.DLL", composed.path));
  EXPECT_STREQ(composed.path, "") << "a refused path must not look usable";
  EXPECT_TRUE(composed.GuardIntact());
}

TEST(BuildDriverFilePaths, OverlongSourceLeavesSourcesEmptyButKeepsDestinations) {
  const std::string longSource(250, 's');
  DriverFilePaths paths;
  EXPECT_TRUE(BuildDriverFilePaths(longSource.c_str(), "C:\\drv", &paths));
  EXPECT_STREQ(paths.source[kDriverFileDriver], "") << "\\PSCRIPT5.DLL does not fit";
  EXPECT_STREQ(paths.source[kDriverFileData], "") << "\\velmo.ppd does not fit";
  EXPECT_STREQ(paths.destination[kDriverFileDriver], "C:\\drv\\PSCRIPT5.DLL");
}
