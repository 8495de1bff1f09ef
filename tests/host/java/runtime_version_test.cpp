// Start-up with the Java runtimes people have: Java 8, 11, 17 and 21, known
// by their release files, each found in the application home's "jre" and
// through the registered runtime's key.
#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "tests/support/fake_jvm_control.h"
#include "tests/support/java_install.h"

namespace {

class RuntimeVersions : public ::testing::TestWithParam<std::tuple<const char*, bool>> {
 protected:
  void TearDown() override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
  }
  JavaInstall install_;
};

}  // namespace

TEST_P(RuntimeVersions, StartsAndBindsTheApplicationWithTheOptionsItsVersionTakes) {
  const std::string javaVersion = std::get<0>(GetParam());
  const bool registered = std::get<1>(GetParam());
  install_.MakeAppHome();
  install_.SetAppHomeValue(install_.appHome());
  std::string runtime;
  if (registered) {
    runtime = install_.registeredHome();
    install_.MakeRuntime(runtime, "");
    install_.SetRegisteredRuntime(javaVersion.substr(0, javaVersion.find('.', 2)), runtime);
  } else {
    runtime = install_.appHome() + "\\jre";
    install_.MakeRuntime(install_.appHome(), "jre");
  }
  JavaInstall::WriteRelease(runtime, javaVersion);
  FakeJvm jvm(JavaInstall::JvmPath(runtime));
  ASSERT_TRUE(jvm.loaded());

  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr) << LastStartupFailureText() << "\n" << LastVmStartupMessage();
  const bool beforeJava17 = javaVersion == "1.8.0_392" || javaVersion == "11.0.21";
  EXPECT_EQ(jvm.EventsStartingWith("CreateJavaVM"),
            std::vector<std::string>{"CreateJavaVM version=0x10006 nOptions=" + std::string(beforeJava17 ? "8" : "6") +
                                     " ignoreUnrecognized=0 result=0"});
  std::vector<std::string> permanentGeneration = jvm.EventsStartingWith("option -XX:");
  if (beforeJava17) {
    EXPECT_EQ(permanentGeneration,
              (std::vector<std::string>{"option -XX:PermSize=64M", "option -XX:MaxPermSize=256M"}));
  } else {
    EXPECT_TRUE(permanentGeneration.empty()) << "Java " << javaVersion << " refuses them";
  }
  EXPECT_EQ(jvm.JavaCalls(), std::vector<std::string>{"getInstance"});
  EXPECT_STREQ(LastVmStartupMessage(), "") << "a clean start keeps nothing the VM said";
  DestroyBridge(bridge);
  EXPECT_EQ(jvm.ViolationCount(), 0) << jvm.Violations();
}

INSTANTIATE_TEST_SUITE_P(Java, RuntimeVersions,
                         ::testing::Combine(::testing::Values("1.8.0_392", "11.0.21", "17.0.9", "21.0.1"),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<RuntimeVersions::ParamType>& info) {
                           std::string name = std::get<0>(info.param);
                           for (char& c : name) {
                             if (c == '.' || c == '_') c = 'x';
                           }
                           return name + (std::get<1>(info.param) ? "_Registered" : "_InHomeJre");
                         });

TEST(RuntimeVersion, ReleaseTextGivesTheFeatureVersion) {
  EXPECT_EQ(ParseJavaFeatureVersion("JAVA_VERSION=\"1.8.0_392\"\nOS_NAME=\"Windows\"\n"), 8);
  EXPECT_EQ(ParseJavaFeatureVersion("IMPLEMENTOR=\"Oracle\"\r\nJAVA_VERSION=\"17.0.9\"\r\n"), 17);
  EXPECT_EQ(ParseJavaFeatureVersion("JAVA_VERSION=\"21\""), 21);
  EXPECT_EQ(ParseJavaFeatureVersion("JAVA_VERSION=11.0.2"), 11);
  EXPECT_EQ(ParseJavaFeatureVersion("JAVA_RUNTIME_VERSION=\"17.0.9+9\"\n"), 0) << "another key";
  EXPECT_EQ(ParseJavaFeatureVersion("JAVA_VERSION=\"\"\n"), 0);
  EXPECT_EQ(ParseJavaFeatureVersion(""), 0);
}

TEST(RuntimeVersion, UnknownVersionKeepsThePartsOptionsAndTheRefusalIsExplained) {
  // A Java 17 runtime whose release file is missing: its version is unknown,
  // so it gets the options as always, and refuses them in its own words.
  JavaInstall install;
  install.MakeStandardInstall();
  FakeJvm jvm(JavaInstall::JvmPath(install.appHome() + "\\jre"));
  jvm.Configure("java_version", "17");
  Bridge bridge{};
  EXPECT_FALSE(StartJavaVM(&bridge));
  EXPECT_EQ(std::string(LastStartupFailureText()),
            "\xB3\xF5\xCA\xBC\xBB\xAFJAVA\xD0\xE9\xC4\xE2\xBB\xFA\xB3\xF6\xB4\xED\xA3\xAC\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB"
            "\xA3\xBA-6 \xA3\xA8invalid arguments\xA3\xA9");
  EXPECT_STREQ(LastVmStartupMessage(), "Unrecognized VM option 'PermSize=64M'");
  EXPECT_EQ(jvm.EventsStartingWith("CreateJavaVM").back(),
            "CreateJavaVM version=0x10006 nOptions=8 ignoreUnrecognized=0 result=-6");

  // The next start-up is told nothing of the last one's words.
  jvm.Configure("java_version", nullptr);
  EXPECT_TRUE(StartJavaVM(&bridge)) << LastStartupFailureText();
  EXPECT_STREQ(LastVmStartupMessage(), "");
}
