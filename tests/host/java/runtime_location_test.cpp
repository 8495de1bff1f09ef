// Where the application and its Java runtime are: the registry values and
// the file system, read for real.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "host/host.h"
#include "tests/support/java_install.h"

namespace {

std::string AppHome() {
  char home[kPathCapacity] = "untouched";
  return ReadAppHome(home, sizeof home) ? std::string(home) : std::string("<none>");
}

std::string JavaHome() {
  char home[kPathCapacity];
  return FindJavaHome(home, sizeof home) ? std::string(home) : std::string("<none>");
}

std::string ClassPath() {
  static char option[kClassPathCapacity];
  return BuildClassPathOption(option, sizeof option) ? std::string(option) : std::string("<none>");
}

}  // namespace

TEST(AppHome, OneTrailingBackslashIsRemoved) {
  JavaInstall install;
  install.SetAppHomeValue("C:\\Program Files\\Velmo\\");
  EXPECT_EQ(AppHome(), "C:\\Program Files\\Velmo");
  install.SetAppHomeValue("C:\\Velmo\\\\");
  EXPECT_EQ(AppHome(), "C:\\Velmo\\");
  install.SetAppHomeValue("C:\\");
  EXPECT_EQ(AppHome(), "C:");
  install.SetAppHomeValue("D:\\Velmo");
  EXPECT_EQ(AppHome(), "D:\\Velmo");
}

// GBK for a character whose second byte is 0x5C, the code of '\': the
// backslash is looked for in the text's characters, not in its bytes.
TEST(AppHome, NameEndingInACharacterWhoseSecondByteIsABackslashIsKept) {
  JavaInstall install;
  install.SetAppHomeValue("C:\\Velmo\\\x9C\x5C");
  EXPECT_EQ(AppHome(), "C:\\Velmo\\\x9C\x5C");
}

TEST(AppHome, WrongTypeOrOversizedValueCountsAsMissing) {
  JavaInstall install;
  EXPECT_EQ(AppHome(), "<none>");
  install.SetAppHomeRaw(REG_EXPAND_SZ, std::string("C:\\Velmo\0", 9));
  EXPECT_EQ(AppHome(), "<none>");
  std::string longest(518, 'a');  // 519 bytes stored with the terminator
  install.SetAppHomeValue(longest);
  EXPECT_EQ(AppHome(), longest);
  install.SetAppHomeValue(longest + "b");  // 520 bytes stored
  EXPECT_EQ(AppHome(), "<none>");
}

TEST(AppHome, EmptyValueCountsAsNoHome) {
  JavaInstall install;
  install.SetAppHomeValue("");
  EXPECT_EQ(AppHome(), "<none>");
  install.SetAppHomeValue("\\");
  EXPECT_EQ(AppHome(), "<none>");
}

TEST(AppHome, ValueStoredWithoutTerminatorIsCompleted) {
  JavaInstall install;
  install.SetAppHomeRaw(REG_SZ, "C:\\Velmo\\");  // no terminating zero stored
  EXPECT_EQ(AppHome(), "C:\\Velmo");
}

TEST(AppHome, DestinationTooSmallIsLeftUntouched) {
  JavaInstall install;
  install.SetAppHomeValue("C:\\Velmo");
  char small[8];
  memcpy(small, "keep me", 8);
  EXPECT_FALSE(ReadAppHome(small, sizeof small));
  EXPECT_STREQ(small, "keep me");
  char exact[9];
  EXPECT_TRUE(ReadAppHome(exact, sizeof exact));
  EXPECT_STREQ(exact, "C:\\Velmo");
}

TEST(RegString, SizeMustBeBelowCapacityAndValueIsTakenAsStored) {
  JavaInstall install;
  install.SetRegisteredRuntime("1.8", "C:\\Java\\jre8\\");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment\\1.8", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  char buffer[64];
  EXPECT_TRUE(ReadRegString(key, "JavaHome", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "C:\\Java\\jre8\\");
  char tight[14];  // 14 bytes stored: not below the capacity
  EXPECT_FALSE(ReadRegString(key, "JavaHome", tight, sizeof tight));
  EXPECT_FALSE(ReadRegString(key, "Missing", buffer, sizeof buffer));
  RegCloseKey(key);
}

TEST(JavaHome, RuntimeInJreIsPreferredToOneInTheHome) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.appHome(), "jre");
  install.MakeRuntime(install.appHome(), "");
  install.SetAppHomeValue(install.appHome());
  EXPECT_EQ(JavaHome(), install.appHome() + "\\jre");
}

TEST(JavaHome, RuntimeDirectlyInTheHome) {
  JavaInstall install;
  install.MakeAppHome();
  install.MakeRuntime(install.appHome(), "");
  install.SetAppHomeValue(install.appHome() + "\\");
  EXPECT_EQ(JavaHome(), install.appHome());
}

TEST(JavaHome, DirectoryNamedLikeTheProbeFileCounts) {
  JavaInstall install;
  install.MakeAppHome();
  MakeDirectories(install.appHome() + "\\jre\\bin\\java.dll");
  install.SetAppHomeValue(install.appHome());
  EXPECT_EQ(JavaHome(), install.appHome() + "\\jre");
}

TEST(JavaHome, WithoutRuntimeInTheHomeTheRegisteredOneIsTakenAsStored) {
  JavaInstall install;
  install.MakeAppHome();
  install.SetAppHomeValue(install.appHome());
  install.SetRegisteredRuntime("1.6", "C:\\Java\\jre6\\");
  EXPECT_EQ(JavaHome(), "C:\\Java\\jre6\\");
}

TEST(JavaHome, WithoutAppHomeTheRegisteredRuntimeIsStillFound) {
  JavaInstall install;
  install.SetRegisteredRuntime("1.6", "C:\\Java\\jre6");
  EXPECT_EQ(JavaHome(), "C:\\Java\\jre6");
  EXPECT_EQ(ClassPath(), "<none>");
}

TEST(JavaHome, NothingRegisteredAndNothingInTheHomeIsNoRuntime) {
  JavaInstall install;
  install.MakeAppHome();
  install.SetAppHomeValue(install.appHome());
  EXPECT_EQ(JavaHome(), "<none>");
  install.SetRegisteredRuntime("1.7", "");
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment\\1.7", 0, KEY_SET_VALUE, &key);
  RegSetValueExA(key, "JavaHome", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("C:\\J"), 4);
  RegCloseKey(key);
  EXPECT_EQ(JavaHome(), "<none>");
}

TEST(JavaHome, ProbePathTooLongForItsBufferIsPassedOverNotCut) {
  JavaInstall install;
  // 517 bytes: the probe path "...\jre\bin\java.dll" would need 534.
  std::string home = "C:\\" + std::string(514, 'h');
  install.SetAppHomeValue(home);
  install.SetRegisteredRuntime("1.6", "C:\\Java\\jre6");
  char destination[kPathCapacity];
  EXPECT_TRUE(FindJavaHome(destination, sizeof destination));
  EXPECT_STREQ(destination, "C:\\Java\\jre6");
}

TEST(ClassPath, ListsClassesAndEveryJarInSearchOrderAndNothingElse) {
  JavaInstall install;
  install.MakeAppHome({"velmo.jar", "lib-a.jar"});
  MakeDirectories(install.appHome() + "\\lib\\folder.jar");  // a directory: not on the class path
  WriteFileText(install.appHome() + "\\lib\\readme.txt", "not a jar");
  install.SetAppHomeValue(install.appHome());

  std::string expected = "-Djava.class.path=" + install.appHome() + "\\classes";
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((install.appHome() + "\\lib\\*.jar").c_str(), &entry);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  int jars = 0;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    expected += ";" + install.appHome() + "\\lib\\" + entry.cFileName;
    ++jars;
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  EXPECT_EQ(jars, 2);
  EXPECT_EQ(ClassPath(), expected);
}

TEST(ClassPath, WithoutJarsEndsWithClassesAndNoQuoteAnywhere) {
  JavaInstall install;
  install.MakeAppHome({});
  install.SetAppHomeValue(install.appHome());
  EXPECT_EQ(ClassPath(), "-Djava.class.path=" + install.appHome() + "\\classes");
}

TEST(ClassPath, OptionOfCapacityOrMoreFails) {
  JavaInstall install;
  install.MakeAppHome({});
  install.SetAppHomeValue(install.appHome());
  std::string option = ClassPath();
  std::vector<char> exact(option.size() + 1);
  EXPECT_TRUE(BuildClassPathOption(exact.data(), static_cast<int>(exact.size())));
  std::vector<char> tooSmall(option.size(), 'x');
  EXPECT_FALSE(BuildClassPathOption(tooSmall.data(), static_cast<int>(tooSmall.size())));
  EXPECT_EQ(tooSmall[0], 'x');
}

TEST(ClassPath, TooManyJarsForTheWorkingBufferFails) {
  JavaInstall install;
  std::vector<std::string> jars;
  for (int i = 0; i < 260; ++i) jars.push_back("jar-" + std::string(180, 'x') + std::to_string(i) + ".jar");
  install.MakeAppHome(jars);
  install.SetAppHomeValue(install.appHome());
  EXPECT_EQ(ClassPath(), "<none>");
}

TEST(LibraryPath, IsTheWindowsDirectory) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  char option[kPathCapacity];
  ASSERT_TRUE(BuildLibraryPathOption(option, sizeof option));
  EXPECT_EQ(std::string(option), std::string("-Djava.library.path=") + windows);
}

TEST(JvmLibraryPath, IsTheServerJvmOfTheRuntime) {
  char path[kPathCapacity];
  ASSERT_TRUE(BuildJvmLibraryPath("C:\\jre", path, sizeof path));
  EXPECT_STREQ(path, "C:\\jre\\bin\\server\\jvm.dll");
  std::string longHome(510, 'j');
  EXPECT_FALSE(BuildJvmLibraryPath(longHome.c_str(), path, sizeof path));
}
