// The trace file as support gets it: switched with the commands docs/troubleshooting.md gives,
// written by the real programs, bounded, and never written through
// anything planted in its place.
#include <windows.h>
#include <sddl.h>

#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "host/trace/trace_file.h"
#include "relay/job_record.h"
#include "tests/support/child_process.h"
#include "tests/support/java_install.h"

namespace {

// Exactly as docs/troubleshooting.md gives them to support.
const char kSwitchOn[] = "add \"HKLM\\Software\\JavaSoft\\Prefs\\Velmo\" /v TraceLevel /t REG_SZ /d course /f /reg:64";
const char kSwitchOff[] = "delete \"HKLM\\Software\\JavaSoft\\Prefs\\Velmo\" /v TraceLevel /f /reg:64";

std::string AccountFolder() {
  HANDLE token = nullptr;
  alignas(8) char user[256];
  DWORD size = 0;
  char* sid = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
  bool ok = GetTokenInformation(token, TokenUser, user, sizeof user, &size) &&
            ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
  CloseHandle(token);
  std::string folder = ok ? std::string("C:\\ProgramData\\Velmo\\trace\\") + sid : "";
  LocalFree(sid);
  return folder;
}

class TraceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    ASSERT_NE(folder_, "") << "the account's SID: " << GetLastError();
    Switch(kSwitchOff);
    for (const char* name : {"\\jvmhost.log", "\\jvmhost.old.log"}) DeleteFileA((folder_ + name).c_str());
    for (const std::string& kept : KeptFiles()) DeleteFileA(kept.c_str());
  }
  void TearDown() override { Switch(kSwitchOff); }

  void Switch(const std::string& arguments) {
    DWORD exitCode = 99;
    ASSERT_TRUE(RunProgram("C:\\windows\\system32\\reg.exe", arguments, &exitCode)) << arguments;
    // reg delete of a value not there fails, and that is as good as off.
    if (arguments.rfind("add", 0) == 0) {
      ASSERT_EQ(exitCode, 0u) << arguments;
    }
  }
  // Full files kept under names of their own, jvmhost.<process>.<tick>.log.
  std::vector<std::string> KeptFiles() {
    std::vector<std::string> paths;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "\\jvmhost.*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
      if (std::regex_match(found.cFileName, std::regex("jvmhost\\.\\d+\\.\\d+\\.log"))) {
        paths.push_back(folder_ + "\\" + found.cFileName);
      }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return paths;
  }
  // Lines of jobs 1 to count, as the relay writes them, from this process.
  void TraceJobs(int count) {
    JobRecord record = {};
    for (int job = 0; job < count; ++job) {
      BeginJobRecord(&record);
      CountJobChunk(&record, 65536);
      TraceJobEnded(record, "ended by its end marker");
    }
  }
  // producer.exe relays one job per size and leaves the relay to end by itself.
  void RelayJobs(const std::vector<size_t>& sizes, const std::string& options = "") {
    std::string files;
    for (size_t i = 0; i < sizes.size(); ++i) {
      std::string path = install_.root() + "\\job" + std::to_string(i) + ".ps";
      ASSERT_TRUE(WriteFileText(path, std::string(sizes[i], 'p')));
      files += " \"" + path + "\"";
    }
    DWORD exitCode = 99;
    ASSERT_TRUE(RunProgram(JavaInstall::BuiltFile("producer.exe"), options + "--keep-relay" + files, &exitCode));
    ASSERT_EQ(exitCode, 0u) << "producer.exe did not deliver";
  }
  // The file's texts, each line's time, process and thread taken off; waits
  // up to 30 s for a line matching `last`.
  std::vector<std::string> Texts(const std::string& last = "") {
    std::vector<std::string> texts;
    std::regex stamp("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z pid \\d+ tid \\d+ (.*)");
    for (int waited = 0; waited <= 30000; waited += 100, Sleep(100)) {
      texts.clear();
      std::istringstream file(ReadFileBytes(folder_ + "\\jvmhost.log"));
      std::smatch match;
      for (std::string line; std::getline(file, line);) {
        texts.push_back(std::regex_match(line, match, stamp) ? match[1].str() : "<unstamped> " + line);
      }
      if (last.empty() || (!texts.empty() && std::regex_match(texts.back(), std::regex(last)))) break;
    }
    return texts;
  }
  void ExpectTexts(const std::vector<std::string>& texts, const std::vector<std::string>& patterns) {
    ASSERT_EQ(texts.size(), patterns.size()) << ::testing::PrintToString(texts);
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_TRUE(std::regex_match(texts[i], std::regex(patterns[i]))) << texts[i];
  }

  JavaInstall install_;
  std::string folder_ = AccountFolder();
};

HANDLE gHeld = INVALID_HANDLE_VALUE;

const char kRunBegins[] = "jvmhost: .*jvmhost\\.exe, version \\d+\\.\\d+\\.\\d+\\.\\d+, as the %s; process \\d+, started by process \\d+";

std::string RunBegins(const char* mode) {
  char pattern[256];
  snprintf(pattern, sizeof pattern, kRunBegins, mode);
  return pattern;
}

std::vector<std::string> CourseOfCreation(const std::string& appHome) {
  std::string home = std::regex_replace(appHome, std::regex("[\\\\.]"), "\\$&");
  return {"jvmhost: Windows \\d+\\.\\d+ build \\d+", "jvmhost: ANSI code page 936",
          "jvmhost: Java runtime taken from the application home: " + home + "\\\\jre",
          "jvmhost: Java runtime version (\\d+|unknown)", "jvmhost: Java VM option 1 of \\d: vfprintf \\(hook\\)",
          "jvmhost: Java VM option 2 of \\d: abort \\(hook\\)",
          "jvmhost: Java VM option 3 of \\d: -Djava\\.class\\.path=" + home + "\\\\classes;.*app\\.jar",
          "jvmhost: Java VM option 4 of \\d: -Djava\\.library\\.path=C:\\\\windows", "jvmhost: Java VM option 5 of \\d: -Xms256m",
          "jvmhost: Java VM option 6 of \\d: -Xmx1200m",
          // The stand-in has neither a release file nor lib\modules: a runtime of old.
          "jvmhost: Java VM option 7 of 8: -XX:PermSize=64M", "jvmhost: Java VM option 8 of 8: -XX:MaxPermSize=256M"};
}

}  // namespace

TEST_F(TraceFile, SwitchedOffNothingIsWritten) {
  Switch(kSwitchOn);
  Switch(kSwitchOff);
  RelayJobs({70000});
  Sleep(3000);  // the relay ends by itself about a second after the producer
  EXPECT_EQ(GetFileAttributesA((folder_ + "\\jvmhost.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TraceFile, RelayOfThreeJobsLeavesItsCourseLineByLine) {
  Switch(kSwitchOn);
  RelayJobs({100000, 5000, 200000});
  std::vector<std::string> expected = {RunBegins("print relay")};
  for (const std::string& line : CourseOfCreation(install_.appHome())) expected.push_back(line);
  expected.insert(expected.end(),
                  {"jvmhost: Java VM created in \\d+\\.\\d ms \\(result 0\\)",
                   "jvmhost: job 1: 2 chunks, 100000 bytes, \\d+\\.\\d ms, ended by its end marker",
                   "jvmhost: attached to the Java VM in \\d+\\.\\d ms \\(result 0\\)",
                   "jvmhost: job 2: 1 chunks, 5000 bytes, \\d+\\.\\d ms, ended by its end marker",
                   "jvmhost: attached to the Java VM in \\d+\\.\\d ms \\(result 0\\)",
                   "jvmhost: job 3: 4 chunks, 200000 bytes, \\d+\\.\\d ms, ended by its end marker",
                   "jvmhost: producer gone .*; relay ended \\(error 0\\)",
                   "jvmhost: relay ends after 3 jobs: no job can come \\(see the line before\\)"});
  ExpectTexts(Texts("jvmhost: relay ends .*"), expected);
}

TEST_F(TraceFile, LaunchLeavesTheRuntimeItsOptionsAndTheCreation) {
  Switch(kSwitchOn);
  ChildProcess launcher;
  ASSERT_TRUE(launcher.Start(JavaInstall::BuiltFile("jvmhost.exe"), "")) << "CreateProcess failed: " << GetLastError();
  std::vector<std::string> expected = {RunBegins("launcher")};
  for (const std::string& line : CourseOfCreation(install_.appHome())) expected.push_back(line);
  expected.insert(expected.end(), {"jvmhost: Java VM created in \\d+\\.\\d ms \\(result 0\\)",
                                   "jvmhost: Java application started \\(braskMain returned\\)"});
  ExpectTexts(Texts("jvmhost: Java application started .*"), expected);
}

TEST_F(TraceFile, FailuresLevelHoldsWhatTheDebugOutputGets) {
  Switch("add \"HKLM\\Software\\JavaSoft\\Prefs\\Velmo\" /v TraceLevel /t REG_SZ /d failures /f /reg:64");
  RelayJobs({70000}, "--bad-length -5 ");
  Sleep(3000);
  ExpectTexts(Texts(), {"jvmhost: bad chunk length; chunk skipped \\(error -5\\)",
                        "jvmhost: producer gone .*; relay ended \\(error 0\\)"});
}

TEST_F(TraceFile, TenThousandJobsStayUnderTheBoundWithTheLatestKept) {
  Switch(kSwitchOn);
  TraceJobs(10000);
  std::string current = ReadFileBytes(folder_ + "\\jvmhost.log");
  std::string older = ReadFileBytes(folder_ + "\\jvmhost.old.log");
  EXPECT_LE(current.size(), static_cast<size_t>(kTraceFileBound));
  EXPECT_GT(older.size(), static_cast<size_t>(kTraceFileBound) - 200);
  EXPECT_LE(older.size(), static_cast<size_t>(kTraceFileBound));
  EXPECT_NE(current.find("job 10000: 1 chunks, 65536 bytes"), std::string::npos);
  // Not a line lost at the turn: the older file ends where the current begins.
  std::smatch last, first;
  ASSERT_TRUE(std::regex_search(older, last, std::regex("job (\\d+): [^\\n]*\\n$")));
  ASSERT_TRUE(std::regex_search(current, first, std::regex("^[^\\n]*job (\\d+):")));
  EXPECT_EQ(std::stoi(last[1]) + 1, std::stoi(first[1]));
}

TEST_F(TraceFile, JobNotDeliveredLeavesItsReasonOnTheFailureLineAndTheJobLine) {
  Switch(kSwitchOn);
  JobRecord record = {};
  BeginJobRecord(&record);
  CountJobChunk(&record, 3000);
  TraceJobNotDelivered(record, "no application home");
  ExpectTexts(Texts(), {"jvmhost: job not delivered: Java could not be bound: no application home \\(error 0\\)",
                        "jvmhost: job 1: 1 chunks, 3000 bytes, \\d+\\.\\d ms, not delivered: Java could not be bound "
                        "\\(no application home\\)"});
}

// What lies where the file goes is left as it is, and the job goes through.
TEST_F(TraceFile, NothingPlantedInTheFilesPlaceIsWrittenThrough) {
  Switch(kSwitchOn);
  std::string file = folder_ + "\\jvmhost.log";
  std::string elsewhere = install_.root() + "\\elsewhere.txt";
  struct Planted {
    const char* what;
    bool isFile;
    bool (*plant)(const std::string& file, const std::string& elsewhere);
  } cases[] = {
      {"a hard link", true, [](const std::string& f, const std::string& e) { return CreateHardLinkA(f.c_str(), e.c_str(), nullptr) != FALSE; }},
        {"a file held open without sharing writes", true, [](const std::string& f, const std::string&) {
         gHeld = WriteFileText(f, "kept\n") ? CreateFileA(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) : INVALID_HANDLE_VALUE;
         return gHeld != INVALID_HANDLE_VALUE;
       }},
      {"a folder", false, [](const std::string& f, const std::string&) { return CreateDirectoryA(f.c_str(), nullptr) != FALSE; }},
  };
  for (const Planted& planted : cases) {
    ASSERT_TRUE(WriteFileText(elsewhere, "kept\n"));
    ASSERT_TRUE(planted.plant(file, elsewhere)) << planted.what << ": " << GetLastError();
    RelayJobs({70000});
    Sleep(2500);
    EXPECT_EQ(ReadFileBytes(elsewhere), "kept\n") << planted.what;
    if (planted.isFile) {
      EXPECT_EQ(ReadFileBytes(file), "kept\n") << planted.what;
    }
    if (gHeld != INVALID_HANDLE_VALUE) CloseHandle(gHeld);
    gHeld = INVALID_HANDLE_VALUE;
    EXPECT_TRUE(DeleteFileA(file.c_str()) || RemoveDirectoryA(file.c_str())) << planted.what << ": " << GetLastError();
    DeleteFileA(elsewhere.c_str());
  }
}

// Many viewers open a file sharing reading and writing only, and Windows
// renames no file held so: the full file then keeps its lines by a name of
// its own, and the lines go on in a fresh one.
TEST_F(TraceFile, FullFileTurnsWhileAViewerHoldsTheOlderOne) {
  Switch(kSwitchOn);
  std::string older = folder_ + "\\jvmhost.old.log";
  ASSERT_TRUE(WriteFileText(older, "viewed\n"));
  HANDLE viewer = CreateFileA(older.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE) << "CreateFileA failed: " << GetLastError();
  TraceJobs(10000);
  CloseHandle(viewer);
  EXPECT_EQ(ReadFileBytes(older), "viewed\n");
  EXPECT_NE(ReadFileBytes(folder_ + "\\jvmhost.log").find("job 10000: 1 chunks"), std::string::npos);
  std::vector<std::string> kept = KeptFiles();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(std::regex_search(ReadFileBytes(kept[0]), std::regex("^[^\\n]*job 1: 1 chunks")));
}

// A viewer holding the file at the process's first line does not keep a
// long-lived process from its trace for good.
TEST_F(TraceFile, FileHeldAtTheFirstLineIsTakenLater) {
  Switch("add \"HKLM\\Software\\JavaSoft\\Prefs\\Velmo\" /v TraceLevel /t REG_SZ /d failures /f /reg:64");
  std::string file = folder_ + "\\jvmhost.log";
  ASSERT_TRUE(WriteFileText(file, "kept\n"));
  HANDLE viewer = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE) << "CreateFileA failed: " << GetLastError();
  std::string name = "Local\\TraceProbeFirstLine" + std::to_string(GetCurrentProcessId());
  HANDLE firstLine = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_NE(firstLine, nullptr) << "CreateEventA failed: " << GetLastError();
  ChildProcess probe;
  bool started = probe.Start(JavaInstall::BuiltFile("trace_probe.exe"), name);
  bool signalled = started && WaitForSingleObject(firstLine, kChildTimeoutMs) == WAIT_OBJECT_0;
  CloseHandle(viewer);
  CloseHandle(firstLine);
  ASSERT_TRUE(signalled) << "trace_probe did not write its first line: " << GetLastError();
  DWORD exitCode = 99;
  ASSERT_TRUE(probe.WaitForExit(kChildTimeoutMs, &exitCode));
  EXPECT_EQ(exitCode, 3u);
  ExpectTexts(Texts(), {"<unstamped> kept", "jvmhost: chunk view failed to map; job ended \\(error 6\\)"});
}
