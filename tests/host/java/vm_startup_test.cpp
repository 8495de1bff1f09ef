// Starting the virtual machine through the stand-in jvm.dll: create on the
// first start-up, attach on later ones, and the failure texts byte for byte.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "host/host.h"
#include "tests/host/java/java_host_fixture.h"

namespace {

std::string SystemText(DWORD code) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                 code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = text ? text : "";
  if (text) LocalFree(text);
  return result;
}

std::string Tail(int code) {
  return "\n\n\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA" + std::to_string(code) + "\t\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xA3\xBA" +
         SystemText(static_cast<DWORD>(code));
}

const char kInitFailed[] = "\xB3\xF5\xCA\xBC\xBB\xAFJAVA\xD0\xE9\xC4\xE2\xBB\xFA\xB3\xF6\xB4\xED\xA3\xAC\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";

struct StartResult {
  bool started;
  Bridge bridge;
  std::string text;
};

StartResult StartOnThisThread() {
  StartResult result{};
  result.started = StartJavaVM(&result.bridge);
  result.text = LastStartupFailureText();
  return result;
}

}  // namespace

using VmStartup = JavaHostTest;

TEST_F(VmStartup, FirstStartCreatesWithTheHooksThenTheSixOptionsInOrder) {
  StartResult result = StartOnThisThread();
  ASSERT_TRUE(result.started) << result.text;
  EXPECT_NE(result.bridge.vm, nullptr);
  EXPECT_NE(result.bridge.env, nullptr);
  EXPECT_EQ(result.text, "");

  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::vector<std::string> expected = {
      "GetCreatedJavaVMs count=0",
      "CreateJavaVM version=0x10006 nOptions=8 ignoreUnrecognized=0 result=0",
      "option vfprintf",
      "option abort",
      "option -Djava.class.path=" + install_.appHome() + "\\classes;" + install_.appHome() + "\\lib\\app.jar",
      std::string("option -Djava.library.path=") + windows,
      "option -Xms256m",
      "option -Xmx1200m",
      "option -XX:PermSize=64M",
      "option -XX:MaxPermSize=256M",
  };
  EXPECT_EQ(jvm_->Events(), expected);
  EXPECT_EQ(jvm_->ThreadOf("CreateJavaVM"), GetCurrentThreadId());
}

TEST_F(VmStartup, SecondStartOnAnotherThreadAttachesToTheSameVm) {
  StartResult first = StartOnThisThread();
  ASSERT_TRUE(first.started);
  StartResult second{};
  DWORD secondThread = 0;
  std::thread other([&] {
    secondThread = GetCurrentThreadId();
    second = StartOnThisThread();
    if (second.started) second.bridge.vm->DetachCurrentThread();
  });
  other.join();
  ASSERT_TRUE(second.started) << second.text;
  EXPECT_EQ(second.bridge.vm, first.bridge.vm);
  EXPECT_NE(second.bridge.env, first.bridge.env);
  EXPECT_EQ(jvm_->EventsStartingWith("CreateJavaVM").size(), 1u);
  EXPECT_EQ(jvm_->EventsStartingWith("GetCreatedJavaVMs").back(), "GetCreatedJavaVMs count=1");
  EXPECT_EQ(jvm_->ThreadOf("AttachCurrentThread"), secondThread);
}

TEST_F(VmStartup, CreationRefusedWithVmAlreadyCreated) {
  jvm_->Configure("create_result", "-5");
  StartResult result = StartOnThisThread();
  EXPECT_FALSE(result.started);
  EXPECT_EQ(result.text, std::string(kInitFailed) + "-5 \xA3\xA8VM already created\xA3\xA9");
}

TEST_F(VmStartup, EachResultCodeHasItsText) {
  const std::pair<const char*, std::string> cases[] = {
      {"-1", "\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xB2\xBB\xC3\xF7"},
      {"-2", "thread detached from the VM"},
      {"-3", "JNI version error"},
      {"-4", "not enough memory"},
      {"-6", "invalid arguments"},
      {"-7", "\xCE\xB4\xD6\xAA\xB5\xC4\xB4\xED\xCE\xF3"},
      {"-100", "\xCE\xB4\xD6\xAA\xB5\xC4\xB4\xED\xCE\xF3"},
  };
  for (const auto& [code, text] : cases) {
    jvm_->Configure("create_result", code);
    StartResult result = StartOnThisThread();
    EXPECT_FALSE(result.started) << code;
    EXPECT_EQ(result.text, std::string(kInitFailed) + code + " \xA3\xA8" + text + "\xA3\xA9") << code;
  }
}

TEST_F(VmStartup, PositiveResultCountsAsSuccess) {
  jvm_->Configure("create_result", "3");
  StartResult result = StartOnThisThread();
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.text, "");
}

TEST_F(VmStartup, RefusedAttachIsAFailureWithItsText) {
  ASSERT_TRUE(StartOnThisThread().started);
  jvm_->Configure("attach_result", "-4");
  StartResult second{};
  std::thread other([&] { second = StartOnThisThread(); });
  other.join();
  EXPECT_FALSE(second.started);
  EXPECT_EQ(second.text, std::string(kInitFailed) + "-4 \xA3\xA8not enough memory\xA3\xA9");
}

TEST(VmStartupFailure, RuntimeWithoutServerJvmGivesTheNotFoundTextWithTheSystemCause) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.appHome(), "jre", "jvm.dll", false);
  install.SetAppHomeValue(install.appHome());
  Bridge bridge{};
  EXPECT_FALSE(StartJavaVM(&bridge));
  std::string path = JavaInstall::JvmPath(install.appHome() + "\\jre");
  SetLastError(0);
  DWORD probe = GetFileAttributesA(path.c_str());
  ASSERT_EQ(probe, INVALID_FILE_ATTRIBUTES);
  int code = static_cast<int>(GetLastError());
  EXPECT_EQ(std::string(LastStartupFailureText()),
            "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD0\xE9\xC4\xE2\xBB\xFA(\"" + path + "\")\xA1\xA3" + Tail(code));
}

TEST(VmStartupFailure, LibraryThatDoesNotLoadGivesTheLoadLibraryText) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.appHome(), "jre", "jvm.dll", false);
  std::string path = JavaInstall::JvmPath(install.appHome() + "\\jre");
  WriteFileText(path, "this is not a DLL");
  install.SetAppHomeValue(install.appHome());
  Bridge bridge{};
  EXPECT_FALSE(StartJavaVM(&bridge));
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(path.c_str()), nullptr);
  int code = static_cast<int>(GetLastError());
  EXPECT_EQ(std::string(LastStartupFailureText()),
            "\xB6\xAF\xCC\xAC\xC1\xB4\xBD\xD3\xBF\xE2\xB5\xF7\xD3\xC3\xCA\xA7\xB0\xDC: LoadLibrary(" + path + ")" +
                Tail(code));
}

TEST(VmStartupFailure, MissingEntryPointGivesItsTextWithoutTail) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.appHome(), "jre", "jvm_noinitargs.dll");
  install.SetAppHomeValue(install.appHome());
  Bridge bridge{};
  EXPECT_FALSE(StartJavaVM(&bridge));
  std::string path = JavaInstall::JvmPath(install.appHome() + "\\jre");
  EXPECT_EQ(std::string(LastStartupFailureText()),
            "\xD4\xDA " + path + " \xD6\xD0\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xE0\xD3\xA6\xB5\xC4JNI\xBD\xD3\xBF\xDA\xBA\xAF\xCA\xFD");
  FakeJvm jvm(path);
  EXPECT_TRUE(jvm.Events().empty()) << "the incomplete runtime was called";
}

TEST(VmStartupFailure, MissingHomeOrRuntimeFailsWithoutTextOrLibrary) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.registeredHome(), "");
  Bridge bridge{};
  EXPECT_FALSE(StartJavaVM(&bridge));  // no VelmoHome
  EXPECT_STREQ(LastStartupFailureText(), "");
  install.SetAppHomeValue(install.appHome());  // a home, but no runtime anywhere
  EXPECT_FALSE(StartJavaVM(&bridge));
  EXPECT_STREQ(LastStartupFailureText(), "");
  EXPECT_EQ(GetModuleHandleA("jvm.dll"), nullptr);
}

TEST(VmStartupFailure, RegisteredRuntimeIsUsedWhenTheHomeHasNone) {
  JavaInstall install;
  install.MakeAppHome();
  install.SetAppHomeValue(install.appHome());
  install.MakeRuntime(install.registeredHome(), "");
  install.SetRegisteredRuntime("1.6.0_45", install.registeredHome());
  FakeJvm jvm(JavaInstall::JvmPath(install.registeredHome()));
  Bridge bridge{};
  EXPECT_TRUE(StartJavaVM(&bridge)) << LastStartupFailureText();
  EXPECT_EQ(jvm.EventsStartingWith("CreateJavaVM").size(), 1u);
  EXPECT_EQ(jvm.ViolationCount(), 0) << jvm.Violations();
}

// Two bridges made at once (relay workers past their bound, say): the
// creation takes long enough for the second start-up to come in the middle of
// it, when HotSpot would refuse a second creation and already names the
// half-made virtual machine.  The second waits and joins the finished one.
TEST_F(VmStartup, TwoStartsAtOnceMakeOneVmThatBothThreadsUse) {
  jvm_->Configure("create_ms", "500");
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(go, nullptr);
  JavaVM* vms[2] = {};
  DWORD threads[2] = {};
  std::vector<std::thread> starters;
  for (int i = 0; i < 2; ++i) {
    starters.emplace_back([&, i] {
      threads[i] = GetCurrentThreadId();
      if (WaitForSingleObject(go, 20000) != WAIT_OBJECT_0) return;
      Bridge* bridge = CreateBridge();
      if (bridge == nullptr) return;
      vms[i] = bridge->vm;
      BridgeStartJob(bridge);
      DestroyBridge(bridge);
    });
  }
  SetEvent(go);
  for (std::thread& starter : starters) starter.join();
  CloseHandle(go);

  ASSERT_NE(vms[0], nullptr) << "first thread: " << jvm_->Violations();
  ASSERT_NE(vms[1], nullptr) << "second thread: " << jvm_->Violations();
  EXPECT_EQ(vms[0], vms[1]);
  std::vector<std::string> creations = jvm_->EventsStartingWith("CreateJavaVM");
  ASSERT_EQ(creations.size(), 1u);
  EXPECT_EQ(creations[0], "CreateJavaVM version=0x10006 nOptions=8 ignoreUnrecognized=0 result=0");
  DWORD creator = jvm_->ThreadOf("CreateJavaVM");
  DWORD joiner = creator == threads[0] ? threads[1] : threads[0];
  EXPECT_EQ(jvm_->ThreadOf("AttachCurrentThread"), joiner);
  std::vector<std::string> runs = jvm_->EventsStartingWith("java runVelmo");
  EXPECT_EQ(runs.size(), 2u) << "each thread's env reached Java";
}
