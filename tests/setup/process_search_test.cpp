// The product process search and its ending, against the real process list
// with sleeper children named after the pattern.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "setup/setup.h"
#include "tests/setup/child_process.h"

namespace {

PROCESSENTRY32 EmptyEntry() {
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  return entry;
}

bool StillRunning(const ChildProcess& child) {
  DWORD exitCode = 0;
  return !child.WaitForExit(0, &exitCode);
}

}  // namespace

TEST(FindProcessByPattern, FindsChildWhoseNameMixesCaseAroundThePattern) {
  TempDirectory directory("search_mixed");
  ChildProcess sleeper;
  ASSERT_TRUE(StartSleeperAs(directory.path(), "myVELMOjni_x.exe", &sleeper)) << GetLastError();

  PROCESSENTRY32 entry = EmptyEntry();
  EXPECT_EQ(FindProcessByPattern("VelmoJNI", &entry), 1);
  EXPECT_EQ(entry.th32ProcessID, sleeper.id()) << "matched " << entry.szExeFile;
}

TEST(FindProcessByPattern, LowerCasePatternFindsUpperCaseName) {
  TempDirectory directory("search_lower");
  ChildProcess sleeper;
  ASSERT_TRUE(StartSleeperAs(directory.path(), "XVELMOJNIY.EXE", &sleeper)) << GetLastError();

  PROCESSENTRY32 entry = EmptyEntry();
  EXPECT_EQ(FindProcessByPattern("velmojni", &entry), 1);
  EXPECT_EQ(entry.th32ProcessID, sleeper.id()) << "matched " << entry.szExeFile;
}

TEST(FindProcessByPattern, ReturnsZeroWhenNoNameHoldsThePattern) {
  PROCESSENTRY32 entry = EmptyEntry();
  EXPECT_EQ(FindProcessByPattern("NoProcessIsNamedLikeThis", &entry), 0);
}

TEST(FindProcessByPattern, PatternLongerThanAnyNameFindsNothing) {
  std::string pattern(400, 'A');
  PROCESSENTRY32 entry = EmptyEntry();
  EXPECT_EQ(FindProcessByPattern(pattern.c_str(), &entry), 0);
}

TEST(FindProcessByPattern, ReportsTheFirstMatchInSnapshotOrder) {
  TempDirectory directory("search_first");
  ChildProcess first, second;
  ASSERT_TRUE(StartSleeperAs(directory.path(), "VelmoJNIa.exe", &first)) << GetLastError();
  ASSERT_TRUE(StartSleeperAs(directory.path(), "VelmoJNIb.exe", &second)) << GetLastError();

  // The expected answer, read from a snapshot of our own.
  DWORD expected = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, INVALID_HANDLE_VALUE) << "CreateToolhelp32Snapshot failed: " << GetLastError();
  PROCESSENTRY32 entry = EmptyEntry();
  for (BOOL more = Process32First(snapshot, &entry); more && !expected; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == first.id() || entry.th32ProcessID == second.id()) expected = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  ASSERT_NE(expected, 0u) << "neither sleeper is in the snapshot";

  entry = EmptyEntry();
  EXPECT_EQ(FindProcessByPattern("VELMOJNI", &entry), 1);
  EXPECT_EQ(entry.th32ProcessID, expected);
}

TEST(NextProcessEntry, NeverStopsOnProcessIdZero) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, INVALID_HANDLE_VALUE) << "CreateToolhelp32Snapshot failed: " << GetLastError();
  PROCESSENTRY32 entry = EmptyEntry();
  ASSERT_TRUE(Process32First(snapshot, &entry)) << "Process32First failed: " << GetLastError();
  int reached = 0;
  while (NextProcessEntry(snapshot, &entry)) {
    EXPECT_NE(entry.th32ProcessID, 0u) << "entry " << entry.szExeFile;
    ++reached;
  }
  EXPECT_GT(reached, 0) << "a snapshot holds more than one process";
  CloseHandle(snapshot);
}

TEST(EndProductProcess, EndsOnlyOneOfTwoMatchingProcessesWithExitCodeZero) {
  TempDirectory directory("end_two");
  ChildProcess first, second;
  ASSERT_TRUE(StartSleeperAs(directory.path(), "VelmoJNIa.exe", &first)) << GetLastError();
  ASSERT_TRUE(StartSleeperAs(directory.path(), "aVELMOJNI.exe", &second)) << GetLastError();

  EXPECT_TRUE(EndProductProcess());
  const HANDLE both[] = {first.handle(), second.handle()};
  const DWORD woken = WaitForMultipleObjects(2, both, FALSE, 10000);
  ASSERT_LT(woken - WAIT_OBJECT_0, 2u) << "neither sleeper ended";
  const ChildProcess& ended = woken == WAIT_OBJECT_0 ? first : second;
  const ChildProcess& other = woken == WAIT_OBJECT_0 ? second : first;
  DWORD exitCode = kSleeperNaturalExitCode;
  ASSERT_TRUE(ended.WaitForExit(0, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(StillRunning(other)) << "only the first match may be ended";
}

TEST(EndProductProcess, ReportsNothingEndedWhenNoProcessMatches) {
  // The test program's own name does not hold the pattern.
  EXPECT_FALSE(EndProductProcess());
}
