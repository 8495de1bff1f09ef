// The bridge to the recording Java application: binding, the four print
// calls with exact bytes, text conversion, and teardown.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "host/host.h"
#include "tests/host/java/java_host_fixture.h"

namespace {

std::string Bytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed) & 0xFF);
  return bytes;
}

const unsigned char* Data(const std::string& bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

}  // namespace

using BridgeTest = JavaHostTest;

TEST_F(BridgeTest, CreationBindsThePrintObjectAndFiveMethodsInOrder) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr) << LastStartupFailureText();
  EXPECT_NE(bridge->printObject, nullptr);
  EXPECT_NE(bridge->runVelmo, nullptr);
  EXPECT_NE(bridge->braskMain, nullptr);
  EXPECT_NE(bridge->writeHeader, nullptr);
  EXPECT_NE(bridge->writePSData, nullptr);
  EXPECT_NE(bridge->writeEnd, nullptr);

  std::vector<std::string> binding;
  for (const std::string& line : jvm_->Events()) {
    if (line.rfind("FindClass", 0) == 0 || line.rfind("Get", 0) == 0 || line.rfind("java", 0) == 0 ||
        line == "NewGlobalRef") {
      if (line.rfind("GetCreatedJavaVMs", 0) != 0) binding.push_back(line);
    }
  }
  std::vector<std::string> expected = {
      "FindClass velmo/jni/VelmoPSJNI",
      "GetStaticMethodID getInstance ()Lvelmo/jni/VelmoPS;",
      "java getInstance",
      "NewGlobalRef",
      "GetObjectClass",
      "GetMethodID braskMain (Ljava/lang/String;)V",
      "GetMethodID runVelmo ()V",
      "GetMethodID writeHeader ([B)V",
      "GetMethodID writePSData ([B)I",
      "GetMethodID writeEnd ()V",
  };
  EXPECT_EQ(binding, expected);
  EXPECT_EQ(jvm_->LiveRefs("global"), 1);
  EXPECT_EQ(jvm_->LiveRefs("local"), 0) << "binding keeps local references alive";
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, PrintCallsPassExactBytesInNewArraysAndReleaseThem) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  std::string header = Bytes(2048, 1);
  std::string first = Bytes(2952, 2);
  std::string second = Bytes(70000, 3);
  BridgeStartJob(bridge);
  EXPECT_EQ(BridgeWriteHeader(bridge, Data(header), 2048), 1);
  int32_t javaResult = -1;
  EXPECT_EQ(BridgeWritePSData(bridge, Data(first), static_cast<int32_t>(first.size()), &javaResult), 1);
  EXPECT_EQ(javaResult, 2952);
  jvm_->Configure("write_ps_data_result", "-42");
  EXPECT_EQ(BridgeWritePSData(bridge, Data(second), static_cast<int32_t>(second.size()), &javaResult), 1);
  EXPECT_EQ(javaResult, -42);
  EXPECT_EQ(BridgeEndJob(bridge), 1);

  std::vector<std::string> expected = {"getInstance",        "runVelmo",          "writeHeader 2048",
                                       "writePSData 2952", "writePSData 70000", "writeEnd"};
  EXPECT_EQ(jvm_->JavaCalls(), expected);
  EXPECT_EQ(jvm_->Received("header"), header);
  EXPECT_EQ(jvm_->Received("data"), first + second);
  EXPECT_EQ(jvm_->LiveRefs("local"), 0) << "byte arrays stay reachable until the job ends";
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, LengthZeroOrBelowMakesNoJavaCall) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  std::string bytes = Bytes(16, 4);
  EXPECT_EQ(BridgeWriteHeader(bridge, Data(bytes), 0), 1) << "nothing to pass on is no failure";
  EXPECT_EQ(BridgeWriteHeader(bridge, Data(bytes), -3), 1);
  int32_t javaResult = 77;
  EXPECT_EQ(BridgeWritePSData(bridge, Data(bytes), 0, &javaResult), 1);
  EXPECT_EQ(javaResult, 0);
  javaResult = 77;
  EXPECT_EQ(BridgeWritePSData(bridge, Data(bytes), -1, &javaResult), 1);
  EXPECT_EQ(javaResult, 0);
  EXPECT_EQ(jvm_->JavaCalls(), std::vector<std::string>{"getInstance"});
  EXPECT_TRUE(jvm_->EventsStartingWith("NewByteArray").empty());
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, BridgeLackingAPieceReportsZeroWithoutJavaCall) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  std::string bytes = Bytes(100, 5);
  Bridge lacking = *bridge;
  lacking.writeHeader = nullptr;
  lacking.writePSData = nullptr;
  lacking.writeEnd = nullptr;
  EXPECT_EQ(BridgeWriteHeader(&lacking, Data(bytes), 100), 0);
  int32_t javaResult = 77;
  EXPECT_EQ(BridgeWritePSData(&lacking, Data(bytes), 100, &javaResult), 0);
  EXPECT_EQ(javaResult, 77);
  EXPECT_EQ(BridgeEndJob(&lacking), 0);
  lacking = *bridge;
  lacking.printObject = nullptr;
  EXPECT_EQ(BridgeWriteHeader(&lacking, Data(bytes), 100), 0);
  EXPECT_EQ(BridgeWritePSData(&lacking, Data(bytes), 100, &javaResult), 0);
  lacking = *bridge;
  lacking.env = nullptr;
  EXPECT_EQ(BridgeEndJob(&lacking), 0);
  EXPECT_EQ(jvm_->JavaCalls(), std::vector<std::string>{"getInstance"});
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, JavaExceptionIsClearedAndTheJobGoesOn) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  jvm_->Configure("throw_from", "writePSData");
  std::string bytes = Bytes(300, 6);
  int32_t javaResult = 77;
  EXPECT_EQ(BridgeWritePSData(bridge, Data(bytes), 300, &javaResult), 1);
  EXPECT_EQ(javaResult, 0) << "the int of a method that threw means nothing";
  jvm_->Configure("throw_from", "writeEnd");
  EXPECT_EQ(BridgeEndJob(bridge), 1);
  jvm_->Configure("throw_from", nullptr);
  EXPECT_EQ(BridgeWritePSData(bridge, Data(bytes), 300, &javaResult), 1);
  EXPECT_EQ(javaResult, 300);
  EXPECT_EQ(jvm_->EventsStartingWith("ExceptionClear").size(), 2u);
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, RefusedByteArrayMeansNoJavaCallAndStatusZero) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  jvm_->Configure("fail_new_byte_array", "1");
  std::string bytes = Bytes(4096, 7);
  EXPECT_EQ(BridgeWriteHeader(bridge, Data(bytes), 2048), 0);
  int32_t javaResult = 77;
  EXPECT_EQ(BridgeWritePSData(bridge, Data(bytes), 4096, &javaResult), 0);
  EXPECT_EQ(jvm_->JavaCalls(), std::vector<std::string>{"getInstance"});
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, MissingMethodGivesNoBridgeAndReleasesTheHalfBuiltOne) {
  jvm_->Configure("omit_method", "writeEnd");
  EXPECT_EQ(CreateBridge(), nullptr);
  EXPECT_EQ(jvm_->LiveRefs("global"), 0);
  EXPECT_EQ(jvm_->EventsStartingWith("DetachCurrentThread").size(), 1u);
  HKEY places = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Velmo", 0, KEY_READ, &places), ERROR_SUCCESS)
      << "places override installed without a bridge";
}

TEST_F(BridgeTest, MissingClassGetInstanceOrObjectGivesNoBridge) {
  for (const char* key : {"no_class", "no_get_instance", "null_instance"}) {
    jvm_->Configure(key, "1");
    EXPECT_EQ(CreateBridge(), nullptr) << key;
    jvm_->Configure(key, nullptr);
  }
  EXPECT_TRUE(jvm_->EventsStartingWith("NewGlobalRef").empty());
  EXPECT_EQ(jvm_->LiveRefs("global"), 0);
  EXPECT_EQ(jvm_->LiveRefs("local"), 0);
}

TEST_F(BridgeTest, DestroyReleasesTheObjectAndDetachesTheThread) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  DestroyBridge(bridge);
  EXPECT_EQ(jvm_->EventsStartingWith("DeleteGlobalRef").size(), 1u);
  EXPECT_EQ(jvm_->EventsStartingWith("DetachCurrentThread").size(), 1u);
  EXPECT_EQ(jvm_->LiveRefs("global"), 0);
}

TEST_F(BridgeTest, BridgesOnTwoThreadsShareOneVm) {
  Bridge* first = CreateBridge();
  ASSERT_NE(first, nullptr);
  JavaVM* secondVm = nullptr;
  DWORD secondThread = 0;
  std::thread worker([&] {
    secondThread = GetCurrentThreadId();
    Bridge* second = CreateBridge();
    if (second == nullptr) return;
    secondVm = second->vm;
    BridgeStartJob(second);
    BridgeEndJob(second);
    DestroyBridge(second);
  });
  worker.join();
  EXPECT_EQ(secondVm, first->vm);
  EXPECT_EQ(jvm_->EventsStartingWith("CreateJavaVM").size(), 1u);
  EXPECT_EQ(jvm_->ThreadOf("AttachCurrentThread"), secondThread);
  EXPECT_EQ(jvm_->ThreadOf("java runVelmo"), secondThread);
  BridgeStartJob(first);  // the first bridge still works after the second left
  EXPECT_EQ(jvm_->JavaCalls().back(), "runVelmo");
  DestroyBridge(first);
}

TEST_F(BridgeTest, PlacesBarIsInForceAfterCreationAndTheRealKeyUnchanged) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  DWORD place = 0;
  DWORD size = sizeof place;
  EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar",
                         "Place3", RRF_RT_REG_DWORD, nullptr, &place, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(place, 17u);
  HKEY real = nullptr;
  ASSERT_EQ(RegOpenCurrentUser(KEY_READ, &real), ERROR_SUCCESS);
  HKEY policy = nullptr;
  EXPECT_NE(RegOpenKeyExA(real, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar", 0,
                          KEY_READ, &policy),
            ERROR_SUCCESS);
  RegCloseKey(real);
  DestroyBridge(bridge);
}

TEST_F(BridgeTest, AnsiTextReachesJavaAsUtf16) {
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr);
  JNIEnv* env = bridge->env;
  EXPECT_EQ(AnsiToJString(env, nullptr), nullptr);

  jstring empty = AnsiToJString(env, "");
  ASSERT_NE(empty, nullptr);
  env->CallVoidMethod(bridge->printObject, bridge->braskMain, empty);
  EXPECT_EQ(jvm_->JavaCalls().back(), "braskMain ");
  EXPECT_EQ(jvm_->Received("string"), "");

  // GBK for U+9752 U+79BE U+821F (the product's name) and "x.ps".
  jstring chinese = AnsiToJString(env, "\xC7\xE0\xBA\xCC\xD6\xDB x.ps");
  ASSERT_NE(chinese, nullptr);
  env->CallVoidMethod(bridge->printObject, bridge->braskMain, chinese);
  const char16_t expected[] = u"\u9752\u79BE\u821F x.ps";
  EXPECT_EQ(jvm_->Received("string"),
            std::string(reinterpret_cast<const char*>(expected), (sizeof expected) - sizeof(char16_t)));
  env->DeleteLocalRef(empty);
  env->DeleteLocalRef(chinese);
  DestroyBridge(bridge);
}
