// The product process search and its ending, against the real process list
// with sleeper children named after the pattern, and the walk's rules on
// scripted lists.
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

// A process list as the system would not produce it on demand: entries with
// id 0 where the test wants them.
struct ListedProcess {
  DWORD id;
  const char* exeFile;
};
struct ScriptedList {
  const ListedProcess* entries;
  size_t count;
  size_t position;
};

BOOL ShowPosition(ScriptedList* list, PROCESSENTRY32* entry) {
  if (list->position >= list->count) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  entry->th32ProcessID = list->entries[list->position].id;
  lstrcpynA(entry->szExeFile, list->entries[list->position].exeFile, MAX_PATH);
  return TRUE;
}

BOOL WINAPI ScriptedFirst(HANDLE list, PROCESSENTRY32* entry) {
  static_cast<ScriptedList*>(list)->position = 0;
  return ShowPosition(static_cast<ScriptedList*>(list), entry);
}

BOOL WINAPI ScriptedNext(HANDLE list, PROCESSENTRY32* entry) {
  ++static_cast<ScriptedList*>(list)->position;
  return ShowPosition(static_cast<ScriptedList*>(list), entry);
}

const ProcessWalk kScriptedWalk = {ScriptedFirst, ScriptedNext};

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

TEST(ProcessWalk, NeverComparesAnEntryWithIdZero) {
  const ListedProcess processes[] = {
      {0, "VelmoJNI.exe"}, {0, "VELMOJNI.EXE"}, {12, "explorer.exe"}, {0, "velmojni"}, {40, "aVelmoJNIb.exe"}};
  ScriptedList list{processes, 5, 0};
  PROCESSENTRY32 entry = EmptyEntry();
  EXPECT_EQ(FindProcessIn(kScriptedWalk, &list, "VelmoJNI", &entry), 1);
  EXPECT_EQ(entry.th32ProcessID, 40u);
}

TEST(ProcessWalk, FindsNothingWhenOnlyIdZeroEntriesMatch) {
  const ListedProcess processes[] = {{0, "VelmoJNI.exe"}, {12, "explorer.exe"}, {0, "VelmoJNI.exe"}};
  ScriptedList list{processes, 3, 0};
  PROCESSENTRY32 entry = EmptyEntry();
  EXPECT_EQ(FindProcessIn(kScriptedWalk, &list, "VelmoJNI", &entry), 0);
}

TEST(ProcessWalk, NextEntryEndsWhenOnlyIdZeroEntriesRemain) {
  const ListedProcess processes[] = {{5, "a.exe"}, {0, "b.exe"}, {0, "c.exe"}};
  ScriptedList list{processes, 3, 0};
  PROCESSENTRY32 entry = EmptyEntry();
  ASSERT_TRUE(kScriptedWalk.first(&list, &entry));
  EXPECT_FALSE(NextProcessEntryIn(kScriptedWalk, &list, &entry));
}

TEST(ProcessWalk, NextEntryStepsOverIdZeroToTheNextProcess) {
  const ListedProcess processes[] = {{5, "a.exe"}, {0, "b.exe"}, {0, "c.exe"}, {9, "d.exe"}};
  ScriptedList list{processes, 4, 0};
  PROCESSENTRY32 entry = EmptyEntry();
  ASSERT_TRUE(kScriptedWalk.first(&list, &entry));
  EXPECT_TRUE(NextProcessEntryIn(kScriptedWalk, &list, &entry));
  EXPECT_EQ(entry.th32ProcessID, 9u);
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
