// Java runtimes beyond the application home and the "Java Runtime
// Environment" key: the JavaSoft "JRE"/"JDK" keys, the OpenJDK vendors' keys
// and JAVA_HOME, with real registry keys and stand-in runtimes on disk.
#include <windows.h>

#include <cstring>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/runtime/pe_image.h"
#include "tests/support/fake_jvm_control.h"
#include "tests/support/java_install.h"
#include "tests/support/runtime_registrations.h"

namespace {

std::string JavaHome() {
  char home[kPathCapacity];
  return FindJavaHome(home, sizeof home) ? std::string(home) : std::string("<none>");
}

// The application home exists and is registered, but holds no runtime.
class FurtherRuntimes : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeAppHome();
    install_.SetAppHomeValue(install_.appHome());
  }
  std::string Runtime(const std::string& name, const std::string& javaVersion = "17.0.9") {
    MakeVersionedRuntime(install_, install_.root() + "\\" + name, javaVersion);
    return install_.root() + "\\" + name;
  }

  JavaInstall install_;
  RuntimeRegistrations places_;
};

}  // namespace

TEST_F(FurtherRuntimes, TheHomeAndTheRegisteredRuntimeStillComeFirst) {
  places_.SetJavaSoft("JDK", "21", Runtime("jdk-21", "21.0.1"));
  install_.MakeRuntime(install_.appHome(), "jre");
  EXPECT_EQ(JavaHome(), install_.appHome() + "\\jre");

  // Registered without a jvm.dll: taken as stored all the same, so start-up
  // fails with the not-found text instead of moving on.
  RemoveTree(install_.appHome() + "\\jre");
  std::string stale = install_.root() + "\\uninstalled-jre\\";
  install_.SetRegisteredRuntime("1.8", stale);
  EXPECT_EQ(JavaHome(), stale);
  Bridge bridge = {};
  EXPECT_FALSE(StartJavaVM(&bridge));
  EXPECT_EQ(std::string(LastStartupFailureText()).rfind("\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD0\xE9\xC4\xE2\xBB\xFA(\"" +
                                                        stale + "\\bin\\server\\jvm.dll\")", 0),
            0u)
      << LastStartupFailureText();

  install_.RemoveRegisteredRuntime();
  EXPECT_EQ(JavaHome(), install_.root() + "\\jdk-21");
}

// Once a bridge exists the process's HKEY_CURRENT_USER is redirected into a
// private subtree; the user's own registrations are still found.
TEST_F(FurtherRuntimes, PlacesAreTakenInOrderAndVendorsNewestVersionFirst) {
  InstallPlacesOverride();
  const std::string adoptium = "Software\\Eclipse Adoptium\\", microsoft = "Software\\Microsoft\\JDK\\",
                    zulu = "Software\\Azul Systems\\Zulu\\", adoptOpenJdk = "Software\\AdoptOpenJDK\\";
  places_.SetJavaSoft("JRE", "11", Runtime("jre-11"));
  places_.SetJavaSoft("JDK", "17", Runtime("jdk-17"));
  MakeVersionedRuntime(install_, install_.root() + "\\oracle-jdk8\\jre", "1.8.0_202");
  places_.SetJavaSoft("Java Development Kit", "1.8", install_.root() + "\\oracle-jdk8");
  places_.SetUserString(adoptium + "JDK\\21.0.2.13\\hotspot\\MSI", "Path", Runtime("user-temurin-21") + "\\");
  places_.SetString(adoptium + "JDK\\8.0.392.8\\hotspot\\MSI", "Path", Runtime("temurin-8") + "\\");
  places_.SetString(adoptium + "JDK\\17.0.9.9\\hotspot\\MSI", "Path", Runtime("temurin-17") + "\\");
  places_.SetString(adoptium + "JRE\\21.0.1.12\\hotspot\\MSI", "Path", Runtime("temurin-jre-21") + "\\\\");
  places_.SetString(microsoft + "17.0.10.7\\hotspot\\MSI", "Path", Runtime("microsoft-17") + "\\");
  places_.SetUserString(microsoft + "17.0.9.9\\hotspot\\MSI", "Path", Runtime("user-microsoft-17") + "\\");
  places_.SetString(zulu + "zulu-17", "InstallationPath", Runtime("zulu-17"));
  places_.SetString(zulu + "zulu-17", "CurrentVersion", "17.0.11.9");
  places_.SetString(zulu + "zulu-11", "InstallationPath", Runtime("zulu-11"));
  places_.SetUserString(zulu + "zulu-11", "InstallationPath", Runtime("user-zulu-11"));
  places_.SetUserString(zulu + "zulu-11", "CurrentVersion", "11.0.22");
  places_.SetString(adoptOpenJdk + "JRE\\11.0.21.9\\hotspot\\MSI", "Path", Runtime("adoptopenjdk-11"));
  places_.SetJavaHomeVariable("\"" + Runtime("from-env") + "\"");

  // Who wins, then the key removed for the next round (from the user's own
  // hive where marked; "": JAVA_HOME).  A tie goes to the machine's.
  struct Round {
    const char* winner;
    std::string removed;
    bool user;
  };
  const Round rounds[] = {
      {"jre-11", "Software\\JavaSoft\\JRE", false},
      {"jdk-17", "Software\\JavaSoft\\JDK", false},
      {"oracle-jdk8\\jre", "Software\\JavaSoft\\Java Development Kit", false},
      {"user-temurin-21", adoptium + "JDK\\21.0.2.13", true},
      {"temurin-jre-21", adoptium + "JRE\\21.0.1.12", false},
      {"zulu-17", zulu + "zulu-17", false},
      {"microsoft-17", microsoft + "17.0.10.7", false},
      {"temurin-17", adoptium + "JDK\\17.0.9.9", false},
      {"user-microsoft-17", microsoft + "17.0.9.9", true},
      {"user-zulu-11", zulu + "zulu-11", true},
      {"adoptopenjdk-11", adoptOpenJdk + "JRE\\11.0.21.9", false},
      {"zulu-11", zulu + "zulu-11", false},
      {"temurin-8", adoptium + "JDK\\8.0.392.8", false},
      {"from-env", "", false},
  };
  for (const Round& round : rounds) {
    EXPECT_EQ(JavaHome(), install_.root() + "\\" + round.winner);
    if (round.removed.empty()) {
      places_.SetJavaHomeVariable("");
    } else if (round.user) {
      places_.RemoveUser(round.removed);
    } else {
      places_.Remove(round.removed);
    }
  }
  EXPECT_EQ(JavaHome(), "<none>");
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
}

TEST_F(FurtherRuntimes, OnlyAnX64JvmImageIsTaken) {
  std::string jvm = JavaInstall::JvmPath(Runtime("checked"));
  DWORD error = 0;
  EXPECT_EQ(CheckJvmImage(jvm.c_str(), &error), JvmImageCheck::kX64);
  std::string image = ReadFileBytes(jvm);
  ASSERT_TRUE(SetImageMachine(jvm, 0x014c));
  EXPECT_EQ(CheckJvmImage(jvm.c_str(), &error), JvmImageCheck::kNotX64);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  LONG newHeader = 0;
  memcpy(&newHeader, &image[0x3C], sizeof newHeader);
  // Cut inside the DOS header, cut inside the Machine field, no image at all.
  for (const std::string& broken : {image.substr(0, 0x30), image.substr(0, newHeader + 5), std::string(4096, 'M')}) {
    ASSERT_TRUE(WriteFileText(jvm, broken));
    EXPECT_EQ(CheckJvmImage(jvm.c_str(), &error), JvmImageCheck::kNotX64) << broken.size();
  }
  DeleteFileA(jvm.c_str());
  EXPECT_EQ(CheckJvmImage(jvm.c_str(), &error), JvmImageCheck::kMissing);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  MakeDirectories(jvm);
  EXPECT_EQ(CheckJvmImage(jvm.c_str(), &error), JvmImageCheck::kUnreadable);
}

// A Java 8 JDK keeps its runtime in its "jre" folder; JAVA_HOME names the JDK.
// That runtime is checked as any other: a 32-bit one is passed over.
TEST_F(FurtherRuntimes, AJava8JdkIsTakenThroughItsJreFolder) {
  const std::string jdk = install_.root() + "\\jdk8", jre = jdk + "\\jre";
  MakeVersionedRuntime(install_, jre, "1.8.0_392");
  places_.SetJavaHomeVariable(jdk + "\\");
  ASSERT_TRUE(SetImageMachine(JavaInstall::JvmPath(jre), 0x014c));
  EXPECT_EQ(JavaHome(), "<none>");

  MakeVersionedRuntime(install_, jre, "1.8.0_392");
  EXPECT_EQ(JavaHome(), jre);
  Bridge bridge = {};
  EXPECT_TRUE(StartJavaVM(&bridge)) << LastStartupFailureText();
}

// Start-up with a runtime of each Java generation from each further place:
// each its own test process, as one process loads only one jvm.dll.
enum class Place { kJavaSoftKey, kVendorKey, kJavaHome };
const char* const kPlaceNames[] = {"JavaSoftKey", "VendorKey", "JavaHome"};

struct JavaGeneration {
  const char* name;
  const char* release;  // JAVA_VERSION
  const char* javaSoftProduct;
  const char* javaSoftVersion;
  const char* vendorKey;
  const char* vendorValue;
};
const JavaGeneration kGenerations[] = {
    {"Java8", "1.8.0_392", "JRE", "1.8", "Software\\Eclipse Adoptium\\JRE\\8.0.392.8\\hotspot\\MSI", "Path"},
    {"Java11", "11.0.21", "JDK", "11.0.21", "Software\\Microsoft\\JDK\\11.0.21.9\\hotspot\\MSI", "Path"},
    {"Java17", "17.0.9", "JRE", "17", "Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath"},
    {"Java21", "21.0.1", "JDK", "21.0.1", "Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path"},
};

void PrintTo(Place place, std::ostream* out) { *out << kPlaceNames[static_cast<int>(place)]; }
void PrintTo(const JavaGeneration& generation, std::ostream* out) { *out << generation.name; }

class FurtherRuntimeStartup : public FurtherRuntimes,
                              public ::testing::WithParamInterface<std::tuple<Place, JavaGeneration>> {};

TEST_P(FurtherRuntimeStartup, CreatesTheVmThroughThatRuntime) {
  const auto& [place, generation] = GetParam();
  std::string home = Runtime(generation.name, generation.release);
  if (place == Place::kJavaSoftKey) places_.SetJavaSoft(generation.javaSoftProduct, generation.javaSoftVersion, home);
  if (place == Place::kVendorKey) places_.SetString(generation.vendorKey, generation.vendorValue, home + "\\");
  if (place == Place::kJavaHome) places_.SetJavaHomeVariable(home);
  FakeJvm jvm(JavaInstall::JvmPath(home));
  ASSERT_TRUE(jvm.loaded()) << "stand-in jvm.dll not loaded: " << GetLastError();

  Bridge bridge = {};
  ASSERT_TRUE(StartJavaVM(&bridge)) << LastStartupFailureText();
  EXPECT_EQ(jvm.EventsStartingWith("CreateJavaVM").size(), 1u);
  EXPECT_EQ(jvm.ViolationCount(), 0) << jvm.Violations();
}

std::string PlaceAndGeneration(const ::testing::TestParamInfo<FurtherRuntimeStartup::ParamType>& info) {
  return std::string(kPlaceNames[static_cast<int>(std::get<0>(info.param))]) + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(EachPlaceAndGeneration, FurtherRuntimeStartup,
                         ::testing::Combine(::testing::Values(Place::kJavaSoftKey, Place::kVendorKey,
                                                              Place::kJavaHome),
                                            ::testing::ValuesIn(kGenerations)),
                         PlaceAndGeneration);
