// Where printersetup's DLLs come from: the system directory only wherever
// SetDefaultDllDirectories is there and takes the flag; elsewhere the
// current directory leaves the search and winspool.drv is loaded by path.
#include <gtest/gtest.h>

#include "setup/setup.h"

namespace {

DWORD gFlagsAsked = 0;

BOOL WINAPI AcceptingSetDefaultDllDirectories(DWORD flags) {
  gFlagsAsked = flags;
  return TRUE;
}

BOOL WINAPI RefusingSetDefaultDllDirectories(DWORD flags) {
  gFlagsAsked = flags;
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace

TEST(DllSearch, SystemDirectoryOnlyWhereWindowsTakesTheFlag) {
  const struct {
    SetDefaultDllDirectoriesFunction function;  // NULL: Windows 7 without KB2533623
    bool systemDirectoryOnly;
  } kWindows[] = {{AcceptingSetDefaultDllDirectories, true}, {RefusingSetDefaultDllDirectories, false}, {nullptr, false}};
  for (const auto& windows : kWindows) {
    gFlagsAsked = 0;
    EXPECT_EQ(RestrictDllSearch(windows.function), windows.systemDirectoryOnly);
    EXPECT_EQ(gFlagsAsked, windows.function != nullptr ? static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32) : 0u);
  }
}

TEST(DllSearch, WinspoolBySystemDirectoryFlagElseByFullPath) {
  EXPECT_FALSE(ChooseSpoolerLoad(true).byFullPath);
  EXPECT_EQ(ChooseSpoolerLoad(true).flags, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_TRUE(ChooseSpoolerLoad(false).byFullPath);
  EXPECT_EQ(ChooseSpoolerLoad(false).flags, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
}
