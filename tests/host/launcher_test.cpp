// jvmhost.exe from its command line: which mode the first argument chooses,
// what the Java application receives, the single instance, and what the
// user is told when the Java application cannot be started.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/java_install.h"
#include "tests/support/message_box.h"
#include "tests/support/runtime_registrations.h"

namespace {

constexpr DWORD kWaitMs = 30000;
const char kMainWindowTitle[] = "\xC7\xE0\xBA\xCC\xD6\xDB - \xB3\xA9\xCF\xED\xC4\xFA\xB5\xC4\xC9\xE8\xBC\xC6";
const char kErrorCaption[] = "\xB4\xED\xCE\xF3";

// The launcher with a Java install, the stand-in writing its record to a
// file the test reads while the launcher keeps running.
class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    log_ = install_.root() + "\\java.log";
    SetEnvironmentVariableA("FAKEJVM_LOG_FILE", log_.c_str());
    program_ = BinaryDirectory() + "\\jvmhost.exe";
  }
  void TearDown() override {
    SetEnvironmentVariableA("FAKEJVM_LOG_FILE", nullptr);
    for (const char* name : {"FAKEJVM_CREATE_RESULT", "FAKEJVM_JAVA_VERSION", "FAKEJVM_INIT_ERROR", "FAKEJVM_NO_CLASS",
                             "_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "FAKEJVM_NATIVE_LIBRARY"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
    EXPECT_EQ(Lines("VIOLATION").size(), 0u) << ReadFileBytes(log_);
  }

  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(log_);
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }

  // The launcher blocks for good once the Java application runs: wait for
  // its braskMain call, then the test ends it.
  std::vector<std::string> BraskMainOf(const std::string& arguments) {
    ChildProcess launcher;
    EXPECT_TRUE(launcher.Start(program_, arguments)) << "CreateProcessA failed: " << GetLastError();
    for (DWORD waited = 0; waited < kWaitMs && Lines("java braskMain").empty(); waited += 50) Sleep(50);
    DWORD exitCode = 0;
    EXPECT_FALSE(launcher.WaitForExit(0, &exitCode)) << "the launcher ended by itself with " << exitCode;
    return Lines("java braskMain");
  }

  // A launch that is to fail: the box's text, read and dismissed, and how
  // the launcher ended after OK.
  struct FailedLaunch {
    std::string box;
    bool ended = false;
    DWORD exitCode = 99;
  };
  FailedLaunch LaunchThatFails(const std::string& arguments) const;

  JavaInstall install_;
  std::string log_;
  std::string program_;
};

std::string DismissMessageBox(DWORD processId) { return ::DismissMessageBox(processId, kWaitMs); }

LauncherTest::FailedLaunch LauncherTest::LaunchThatFails(const std::string& arguments) const {
  FailedLaunch launch;
  ChildProcess launcher;
  if (!launcher.Start(program_, arguments)) {
    ADD_FAILURE() << "CreateProcessA failed: " << GetLastError();
    return launch;
  }
  launch.box = DismissMessageBox(launcher.id());
  launch.ended = launcher.WaitForExit(kWaitMs, &launch.exitCode);
  return launch;
}

}  // namespace

TEST_F(LauncherTest, NoArgumentHandsJavaNull) {
  EXPECT_EQ(BraskMainOf(""), std::vector<std::string>{"java braskMain null"});
}

TEST_F(LauncherTest, EmptyArgumentHandsJavaTheEmptyText) {
  EXPECT_EQ(BraskMainOf("\"\""), std::vector<std::string>{"java braskMain "});
}

TEST_F(LauncherTest, ZeroIsTextForJava) {
  EXPECT_EQ(BraskMainOf("0"), std::vector<std::string>{"java braskMain 0"});
}

TEST_F(LauncherTest, TextThatIsNoNumberGoesToJava) {
  EXPECT_EQ(BraskMainOf("abc"), std::vector<std::string>{"java braskMain abc"});
}

TEST_F(LauncherTest, NumberThatNamesNoMappingFallsBackWithTheWholeText) {
  EXPECT_EQ(BraskMainOf("\" 12x\""), std::vector<std::string>{"java braskMain  12x"});
}

TEST_F(LauncherTest, MinusOneIsNoInvalidHandleAndFallsBack) {
  EXPECT_EQ(BraskMainOf("-1"), std::vector<std::string>{"java braskMain -1"});
}

TEST_F(LauncherTest, OnlyTheFirstOfSeveralArgumentsCounts) {
  EXPECT_EQ(BraskMainOf("first.ps second third"), std::vector<std::string>{"java braskMain first.ps"});
}

TEST_F(LauncherTest, ChineseArgumentReachesJavaAsUnicode) {
  // GBK for the product's name; the stand-in writes what it got as UTF-8.
  EXPECT_EQ(BraskMainOf("\xC7\xE0\xBA\xCC\xD6\xDB.vlm"),
            std::vector<std::string>{"java braskMain \xE9\x9D\x92\xE7\xA6\xBE\xE8\x88\x9F.vlm"});
}

// Hangul, an emoji, a full-width quote (best fit: '"', which would end the
// quoted argument at it) and a soft hyphen (best fit on 936: '-'), given as
// UTF-16 as Explorer gives a file name.
TEST_F(LauncherTest, ArgumentTheCodePageCannotSpellReachesJavaExactly) {
  ChildProcess launcher;
  ASSERT_TRUE(launcher.StartWide(program_, L"\"\uD55C\uAE00-\U0001F600\uFF02 x\u00AD.pdf\" second"))
      << "CreateProcessW failed: " << GetLastError();
  for (DWORD waited = 0; waited < kWaitMs && Lines("java braskMain").empty(); waited += 50) Sleep(50);
  EXPECT_EQ(Lines("java braskMain"),
            std::vector<std::string>{"java braskMain \xED\x95\x9C\xEA\xB8\x80-\xF0\x9F\x98\x80\xEF\xBC\x82 x\xC2\xAD.pdf"});
}

TEST_F(LauncherTest, ControlMappingWhoseJobEventIsZeroOrAllOnesEndsTheRelayWithZero) {
  for (uint64_t jobEvent : {uint64_t{0}, ~uint64_t{0}}) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, 4096, nullptr);
    ASSERT_NE(mapping, nullptr) << "CreateFileMappingA failed: " << GetLastError();
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    memcpy(view, &jobEvent, sizeof jobEvent);
    UnmapViewOfFile(view);

    ChildProcess relay;
    ASSERT_TRUE(relay.Start(program_, std::to_string(reinterpret_cast<uintptr_t>(mapping)), true));
    DWORD exitCode = 99;
    EXPECT_TRUE(relay.WaitForExit(kWaitMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(mapping);
  }
  EXPECT_TRUE(Lines("java").empty()) << "a relay that ended at once reached Java";
  EXPECT_TRUE(Lines("CreateJavaVM").empty());
}

TEST_F(LauncherTest, SecondInstanceBringsTheMainWindowBackAndExitsWithOne) {
  // This process plays the running instance: its guard and its main window.
  HANDLE guard = CreateMutexA(nullptr, FALSE, "BraskFlag");
  ASSERT_NE(guard, nullptr);
  HWND window = nullptr;
  DWORD ownerThread = 0;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    ownerThread = GetCurrentThreadId();
    window = CreateWindowA("STATIC", kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                           nullptr, nullptr, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    SetEvent(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  });
  ASSERT_EQ(WaitForSingleObject(ready, kWaitMs), WAIT_OBJECT_0);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(IsIconic(window));

  ChildProcess second;
  ASSERT_TRUE(second.Start(program_, "some.vlm"));
  DWORD exitCode = 99;
  EXPECT_TRUE(second.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(exitCode, 1u);
  EXPECT_FALSE(IsIconic(window));
  EXPECT_EQ(FindWindowA("#32770", kErrorCaption), nullptr) << "the second instance showed a message";
  EXPECT_TRUE(Lines("java").empty()) << "the second instance started Java";

  PostThreadMessageA(ownerThread, WM_QUIT, 0, 0);
  owner.join();
  CloseHandle(ready);
  CloseHandle(guard);
}

TEST_F(LauncherTest, WithoutApplicationHomeTheUserIsToldAndTheExitCodeIsTwo) {
  install_.RemoveAppHomeValue();
  FailedLaunch launch = LaunchThatFails("");
  EXPECT_EQ(launch.box,
            "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC7\xE0\xBA\xCC\xD6\xDB\xB5\xC4\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xA1\xA3");
  EXPECT_TRUE(launch.ended);
  EXPECT_EQ(launch.exitCode, 2u);
}

// Start-up fails before any text is composed: the user is told which piece
// is missing, from what start-up found, not from a second search.
TEST_F(LauncherTest, WithoutJavaRuntimeOrApplicationTheUserIsToldWhichIsMissing) {
  RuntimeRegistrations places;
  ASSERT_NE(LeaveOnlyA32BitJavaHome(install_, places), "");
  const std::pair<std::string, const char*> cases[] = {
      {"\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD4\xCB\xD0\xD0\xBB\xB7\xBE\xB3\xA1\xA3", nullptr},
      {"\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF\xC7\xE0\xBA\xCC\xD6\xDB\xB5\xC4JAVA\xB3\xCC\xD0\xF2\xA1\xA3", "1"},
  };
  for (const auto& [text, noClass] : cases) {
    SetEnvironmentVariableA("FAKEJVM_NO_CLASS", noClass);
    FailedLaunch launch = LaunchThatFails("x");
    EXPECT_EQ(launch.box, text);
    EXPECT_TRUE(launch.ended);
    EXPECT_EQ(launch.exitCode, 2u);
    install_.MakeRuntime(install_.appHome(), "jre");
  }
  EXPECT_TRUE(Lines("java braskMain").empty());
}

TEST_F(LauncherTest, RefusedVmStartShowsTheComposedFailureText) {
  SetEnvironmentVariableA("FAKEJVM_CREATE_RESULT", "-6");
  FailedLaunch launch = LaunchThatFails("x");
  EXPECT_EQ(launch.box,
            "\xB3\xF5\xCA\xBC\xBB\xAFJAVA\xD0\xE9\xC4\xE2\xBB\xFA\xB3\xF6\xB4\xED\xA3\xAC\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB"
            "\xA3\xBA-6 \xA3\xA8invalid arguments\xA3\xA9");
  EXPECT_TRUE(launch.ended);
  EXPECT_EQ(launch.exitCode, 2u);
  EXPECT_TRUE(Lines("java").empty());
}

const char kInitFailed[] =
    "\xB3\xF5\xCA\xBC\xBB\xAFJAVA\xD0\xE9\xC4\xE2\xBB\xFA\xB3\xF6\xB4\xED\xA3\xAC\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";

TEST_F(LauncherTest, RefusingVmsOwnWordsFollowTheFailureTextInTheBox) {
  // A Java 17 runtime that shows its version nowhere (no release file, no
  // version resource, no lib\modules): the launcher passes the
  // permanent-generation options, which 17 refuses.
  SetEnvironmentVariableA("FAKEJVM_JAVA_VERSION", "17");
  FailedLaunch launch = LaunchThatFails("x");
  EXPECT_EQ(launch.box, std::string(kInitFailed) +
                                                  "-6 \xA3\xA8invalid arguments\xA3\xA9\n\n"
                                                  "Unrecognized VM option 'PermSize=64M'");
  EXPECT_TRUE(launch.ended);
  EXPECT_EQ(launch.exitCode, 2u);
}

TEST_F(LauncherTest, VmThatEndsTheProcessDuringStartIsExplainedBeforeItDoes) {
  SetEnvironmentVariableA("FAKEJVM_INIT_ERROR", "Could not reserve enough space for 1228800KB object heap");
  FailedLaunch launch = LaunchThatFails("x");
  EXPECT_EQ(launch.box, std::string(kInitFailed) +
                                                  "-1 \xA3\xA8\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xB2\xBB\xC3\xF7\xA3\xA9\n\n"
                                                  "Error occurred during initialization of VM\n"
                                                  "Could not reserve enough space for 1228800KB object heap");
  EXPECT_TRUE(launch.ended);
  EXPECT_EQ(launch.exitCode, 1u) << "the virtual machine ends the process itself";
  EXPECT_EQ(FindWindowA("#32770", kErrorCaption), nullptr) << "a second box for the second abort call";
}

TEST_F(LauncherTest, Java17RuntimeStartsWithTheCRuntimeOnlyItsBinHolds) {
  std::string runtime = install_.appHome() + "\\jre";
  CopyFileA(JavaInstall::BuiltFile("jvm_crt.dll").c_str(), JavaInstall::JvmPath(runtime).c_str(), FALSE);
  JavaInstall::WriteRelease(runtime, "17.0.9");
  // Wine's own vcruntime140_1.dll is kept out (build/wine.sh), as on a
  // machine without the Visual C++ redistributable.

  // Strict as the real thing: without the runtime's C runtime in bin the
  // stand-in does not load.
  FailedLaunch refused = LaunchThatFails("x");
  const std::string& text = refused.box;
  EXPECT_NE(text.find("LoadLibrary(" + JavaInstall::JvmPath(runtime) + ")"), std::string::npos) << text;
  EXPECT_NE(text.find("\xA3\xBA" "126\t"), std::string::npos) << text;
  EXPECT_TRUE(refused.ended);

  JavaInstall::AddRuntimeCrt(runtime);
  EXPECT_EQ(BraskMainOf("x"), std::vector<std::string>{"java braskMain x"});
  std::vector<std::string> expected = {"option vfprintf",   "option abort",
                                       "option -Djava.class.path=" + install_.appHome() + "\\classes;" +
                                           install_.appHome() + "\\lib\\app.jar",
                                       "option -Djava.library.path=C:\\windows",
                                       "option -Xms256m",   "option -Xmx1200m"};
  EXPECT_EQ(Lines("option"), expected) << "a Java 17 runtime gets no permanent-generation options";
}

// A Java 8 to 16 runtime warns about both permanent-generation options on
// every start, each warning a bare prefix through the hook with its text on
// standard error.  What refuses or ends the start after them reaches the box
// whole; options of the machine's own (_JAVA_OPTIONS) come after the
// launcher's, JAVA_TOOL_OPTIONS before them and before the hooks.
TEST_F(LauncherTest, VmsOwnWordsAfterItsWarningsReachTheBoxWhole) {
  JavaInstall::WriteRelease(install_.appHome() + "\\jre", "11.0.21");
  struct Case {
    const char* variable;
    const char* value;
    std::string box;
    DWORD exitCode;
  };
  const std::string refused = std::string(kInitFailed) + "-6 \xA3\xA8invalid arguments\xA3\xA9";
  const Case cases[] = {
      {"_JAVA_OPTIONS", "-Xss2m -XX:+NoSuchFlag", refused + "\n\nUnrecognized VM option 'NoSuchFlag'", 2},
      {"JAVA_TOOL_OPTIONS", "-XX:+NoSuchFlag", refused, 2},
      {"FAKEJVM_INIT_ERROR", "Too small initial heap",
       std::string(kInitFailed) + "-1 \xA3\xA8\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xB2\xBB\xC3\xF7\xA3\xA9\n\n"
                                  "Error occurred during initialization of VM\nToo small initial heap", 1},
  };
  for (const Case& c : cases) {
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA(c.variable, c.value);
    FailedLaunch launch = LaunchThatFails("x");
    SetEnvironmentVariableA(c.variable, nullptr);
    EXPECT_EQ(launch.box, c.box) << c.variable << "=" << c.value;
    EXPECT_TRUE(launch.ended);
    EXPECT_EQ(launch.exitCode, c.exitCode) << c.variable << "=" << c.value;
    EXPECT_EQ(Lines("option -XX:").size(), 2u) << "the options a Java 11 runtime warns about";
  }
}

// The launcher's current directory is wherever the user or a file
// association started it; a class lying there never replaces the
// application's own.
TEST_F(LauncherTest, ApplicationsOwnClassIsUsedOverOneInTheCurrentDirectory) {
  std::string downloads = install_.root() + "\\downloads";
  ASSERT_TRUE(MakeDirectories(downloads + "\\velmo\\jni"));
  ASSERT_TRUE(WriteFileText(downloads + "\\velmo\\jni\\VelmoPSJNI.class", "planted"));
  char previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(downloads.c_str()));
  std::vector<std::string> calls = BraskMainOf("x");
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(calls, std::vector<std::string>{"java braskMain x"});
  EXPECT_EQ(Lines("class "), std::vector<std::string>{"class velmo/jni/VelmoPSJNI from " + install_.appHome() +
                                                      "\\classes"});
}

// The Java application loads the runtime's native library by full path long
// after start-up; the library imports a DLL that ships only in the runtime's
// bin, and no DLL of that name may come from the current directory instead.
TEST_F(LauncherTest, RuntimesNativeLibraryFindsWhatItImportsInBinAndNeverInTheCurrentDirectory) {
  std::string runtime = install_.appHome() + "\\jre";
  std::string bin = runtime + "\\bin\\";
  JavaInstall::AddNativeLibrary(runtime);
  SetEnvironmentVariableA("FAKEJVM_NATIVE_LIBRARY", "awt.dll");
  std::string documents = install_.root() + "\\documents";
  MakeDirectories(documents);
  ASSERT_TRUE(MoveFileA((bin + "fakemsvcp.dll").c_str(), (documents + "\\fakemsvcp.dll").c_str()));
  char started[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(sizeof started, started), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(documents.c_str()));  // inherited by the launcher

  FailedLaunch planted = LaunchThatFails("x");
  EXPECT_EQ(planted.box, "\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF\xC7\xE0\xBA\xCC\xD6\xDB\xB5\xC4JAVA\xB3\xCC\xD0\xF2\xA1\xA3");
  EXPECT_TRUE(planted.ended);

  JavaInstall::AddNativeLibrary(runtime);
  EXPECT_EQ(BraskMainOf("x"), std::vector<std::string>{"java braskMain x"});
  SetCurrentDirectoryA(started);
  EXPECT_EQ(Lines("java System.load"),
            (std::vector<std::string>{"java System.load awt.dll failed 126", "java System.load awt.dll ok"}));
}
