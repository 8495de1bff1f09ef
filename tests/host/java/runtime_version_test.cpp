// Start-up with the Java runtimes people have: Java 8, 11, 17 and 21, known
// by their release files, each found in the application home's "jre" and
// through the registered runtime's key; and runtimes without a release file,
// known by jvm.dll's version resource and their layout.
#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "tests/support/fake_jvm_control.h"
#include "tests/support/java_install.h"
#include "tests/support/runtime_registrations.h"

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
  // A Java 17 stand-in that shows nothing of its version (no release file,
  // no version resource, no lib\modules): its version is unknown, so it gets
  // the options as always, and refuses them in its own words.
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

namespace {

// A runtime in the application home's "jre" without its release file.
struct UnreleasedRuntime {
  const char* name;
  const char* dll;             // the stand-in copied as jvm.dll
  WORD fileVersion[4];         // patched into the copy's version resource; zeros: as built (17.0.9.0)
  WORD productVersion[4];      // the stand-in's own idea of its version
  const char* javaVersion;     // that idea, for a stand-in without a version resource
  bool modular;                // lib\modules, as from Java 9 on
  bool permanentGeneration;    // given -XX:PermSize and -XX:MaxPermSize
};
const UnreleasedRuntime kUnreleasedRuntimes[] = {
    {"Java17", "jvm_versioned.dll", {}, {}, nullptr, true, false},
    {"Java11", "jvm_versioned.dll", {11, 0, 21, 0}, {11, 0, 21, 0}, nullptr, true, true},
    // HotSpot before Java 9 gave jvm.dll its own version as FileVersion.
    {"Java8NumberedByHotSpot", "jvm_versioned.dll", {25, 392, 0, 8}, {8, 0, 3920, 8}, nullptr, false, true},
    {"Java17WithoutResource", "jvm.dll", {}, {}, "17", true, false},
};

void PrintTo(const UnreleasedRuntime& runtime, std::ostream* out) { *out << runtime.name; }

class RuntimeWithoutRelease : public ::testing::TestWithParam<UnreleasedRuntime> {
 protected:
  JavaInstall install_;
};

}  // namespace

TEST_P(RuntimeWithoutRelease, StartsWithTheOptionsItsResourceOrLayoutTells) {
  const UnreleasedRuntime& layout = GetParam();
  install_.MakeAppHome();
  install_.SetAppHomeValue(install_.appHome());
  const std::string runtime = install_.appHome() + "\\jre";
  install_.MakeRuntime(install_.appHome(), "jre", layout.dll);
  if (layout.fileVersion[0] != 0) {
    ASSERT_TRUE(SetImageVersions(JavaInstall::JvmPath(runtime), layout.fileVersion, layout.productVersion));
  }
  if (layout.modular) {
    ASSERT_TRUE(MakeDirectories(runtime + "\\lib") && WriteFileText(runtime + "\\lib\\modules", "JIMG"));
  }
  FakeJvm jvm(JavaInstall::JvmPath(runtime));
  ASSERT_TRUE(jvm.loaded());
  if (layout.javaVersion != nullptr) jvm.Configure("java_version", layout.javaVersion);

  Bridge bridge = {};
  ASSERT_TRUE(StartJavaVM(&bridge)) << LastStartupFailureText() << "\n" << LastVmStartupMessage();
  std::vector<std::string> expected;
  if (layout.permanentGeneration) expected = {"option -XX:PermSize=64M", "option -XX:MaxPermSize=256M"};
  EXPECT_EQ(jvm.EventsStartingWith("option -XX:"), expected);
  EXPECT_EQ(jvm.ViolationCount(), 0) << jvm.Violations();
}

INSTANTIATE_TEST_SUITE_P(Layouts, RuntimeWithoutRelease, ::testing::ValuesIn(kUnreleasedRuntimes),
                         [](const ::testing::TestParamInfo<UnreleasedRuntime>& info) { return std::string(info.param.name); });
