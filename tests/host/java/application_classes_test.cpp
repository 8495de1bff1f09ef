// The application's entry class is found only through the class path the
// virtual machine was started with: in the classes directory or in any jar
// of lib, the last one included.  The stand-in reads java.class.path as
// HotSpot does, so a class path that names its entries wrongly shows here.
#include <windows.h>

#include <string>
#include <vector>

#include "host/host.h"
#include "tests/host/java/java_host_fixture.h"

namespace {

using CreateProc = jint(JNICALL*)(JavaVM**, void**, void*);

std::string gVmSaid;

jint JNICALL CollectVmOutput(FILE*, const char* format, va_list args) {
  char text[1024];
  int written = vsnprintf(text, sizeof text, format, args);
  if (written > 0) gVmSaid.append(text, static_cast<size_t>(written) < sizeof text ? written : sizeof text - 1);
  return written;
}

// Creates the stand-in's VM directly, with the given options after a
// vfprintf hook, and returns the result.
jint CreateDirectly(const std::string& jvmPath, std::vector<std::string> texts, JNIEnv** env) {
  CreateProc create = reinterpret_cast<CreateProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA(jvmPath.c_str()), "JNI_CreateJavaVM")));
  if (create == nullptr) return JNI_ERR - 100;
  std::vector<JavaVMOption> options(texts.size() + 1);
  options[0].optionString = const_cast<char*>("vfprintf");
  options[0].extraInfo = reinterpret_cast<void*>(&CollectVmOutput);
  for (size_t i = 0; i < texts.size(); ++i) options[i + 1].optionString = &texts[i][0];
  JavaVMInitArgs args = {JNI_VERSION_1_6, static_cast<jint>(options.size()), options.data(), JNI_FALSE};
  JavaVM* vm = nullptr;
  return create(&vm, reinterpret_cast<void**>(env), &args);
}

// The jars of lib in the order the directory search yields them.
std::vector<std::string> JarsInSearchOrder(const std::string& appHome) {
  std::vector<std::string> jars;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((appHome + "\\lib\\*.jar").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return jars;
  do {
    jars.push_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return jars;
}

}  // namespace

using ApplicationClasses = JavaHostTest;

TEST_F(ApplicationClasses, FoundInTheClassesDirectoryWithoutJars) {
  RemoveTree(install_.appHome() + "\\lib");
  install_.MakeAppHome({}, "classes");
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr) << LastStartupFailureText();
  EXPECT_EQ(jvm_->EventsStartingWith("option -Djava.class.path="),
            std::vector<std::string>{"option -Djava.class.path=" + install_.appHome() + "\\classes"});
  DestroyBridge(bridge);
}

TEST_F(ApplicationClasses, FoundInTheLastJarOfTheLibrary) {
  RemoveTree(install_.appHome() + "\\classes");
  RemoveTree(install_.appHome() + "\\lib");
  install_.MakeAppHome({"velmo-core.jar", "velmo-print.jar", "velmo-ui.jar"}, "");
  std::vector<std::string> order = JarsInSearchOrder(install_.appHome());
  ASSERT_EQ(order.size(), 3u);
  install_.MakeAppHome({"velmo-core.jar", "velmo-print.jar", "velmo-ui.jar"}, order.back());
  Bridge* bridge = CreateBridge();
  ASSERT_NE(bridge, nullptr) << "the class in " << order.back() << " was not found";
  DestroyBridge(bridge);
}

TEST_F(ApplicationClasses, MissingFromEveryEntryMeansNoBridge) {
  RemoveTree(install_.appHome() + "\\classes\\velmo");
  Bridge* bridge = CreateBridge();
  EXPECT_EQ(bridge, nullptr);
  EXPECT_EQ(jvm_->EventsStartingWith("FindClass"), std::vector<std::string>{"FindClass velmo/jni/VelmoPSJNI"});
  EXPECT_EQ(jvm_->EventsStartingWith("ExceptionClear").size(), 1u) << "NoClassDefFoundError left pending";
  EXPECT_TRUE(jvm_->EventsStartingWith("DetachCurrentThread").size() == 1u);
}

TEST(StandInStrictness, QuotedClassPathLosesTheClassesAndTheLastJar) {
  JavaInstall install;
  install.MakeAppHome({"app.jar"}, "app.jar");
  install.MakeRuntime(install.appHome(), "jre");
  std::string jvmPath = JavaInstall::JvmPath(install.appHome() + "\\jre");
  FakeJvm jvm(jvmPath);
  JNIEnv* env = nullptr;
  ASSERT_EQ(CreateDirectly(jvmPath,
                           {"-Djava.class.path=\".;" + install.appHome() + "\\classes;" + install.appHome() +
                            "\\lib\\app.jar\""},
                           &env),
            JNI_OK);
  EXPECT_EQ(env->FindClass("velmo/jni/VelmoPSJNI"), nullptr);
  EXPECT_TRUE(env->ExceptionCheck()) << "NoClassDefFoundError pending";
  env->ExceptionClear();
  EXPECT_EQ(jvm.ViolationCount(), 0) << jvm.Violations();
}

TEST(StandInStrictness, Java17RefusesThePermanentGenerationOptionsInItsOwnWords) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.appHome(), "jre");
  std::string runtime = install.appHome() + "\\jre";
  JavaInstall::WriteRelease(runtime, "17.0.9");
  JNIEnv* env = nullptr;
  gVmSaid.clear();
  EXPECT_EQ(CreateDirectly(JavaInstall::JvmPath(runtime), {"-Xmx1200m", "-XX:PermSize=64M"}, &env), JNI_EINVAL);
  EXPECT_EQ(gVmSaid, "Unrecognized VM option 'PermSize=64M'\n");
  gVmSaid.clear();
  EXPECT_EQ(CreateDirectly(JavaInstall::JvmPath(runtime), {"-XX:MaxPermSize=256M"}, &env), JNI_EINVAL);
  EXPECT_EQ(gVmSaid, "Unrecognized VM option 'MaxPermSize=256M'\n");
  gVmSaid.clear();
  EXPECT_EQ(CreateDirectly(JavaInstall::JvmPath(runtime), {"-Xmx1200m", "--no-such-option"}, &env), JNI_ERR);
  EXPECT_EQ(gVmSaid, "Unrecognized option: --no-such-option\n");
}
