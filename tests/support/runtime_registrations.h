// The places newer Java installations leave their mark, laid out for one
// test: HKLM "Software\JavaSoft\JRE" and "...\JDK", the OpenJDK vendors' keys
// and JAVA_HOME.  All of them start out empty; every key (with everything
// below it) and the variable are put back as they were when the fixture goes.
// Declare it after a JavaInstall, so it goes first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RuntimeRegistrations {
 public:
  RuntimeRegistrations();
  ~RuntimeRegistrations();
  RuntimeRegistrations(const RuntimeRegistrations&) = delete;
  RuntimeRegistrations& operator=(const RuntimeRegistrations&) = delete;

  // "Software\JavaSoft\<product>" ("JRE" or "JDK"): CurrentVersion, and that
  // subkey's JavaHome.
  void SetJavaSoft(const std::string& product, const std::string& version, const std::string& home);
  // A REG_SZ value below HKLM, for the vendors' keys.
  void SetString(const std::string& key, const std::string& name, const std::string& text);
  // Deletes a key below HKLM with everything in it.
  void Remove(const std::string& key);
  // "" removes the variable.
  void SetJavaHomeVariable(const std::string& home);

 private:
  struct SavedTree {
    std::string key;     // what the test may change
    std::string delete_; // what goes at the end: the key, or its first ancestor that was missing
    std::string backup;  // where a copy of the key waits; "" when it did not exist
  };
  std::vector<SavedTree> saved_;
  bool hadJavaHome_ = false;
  std::string javaHome_;
};

// A runtime laid out as Java `javaVersion` ("1.8.0_392", "17.0.9"): home\bin
// with java.dll, home\bin\server\jvm.dll (a copy of the built stand-in
// `dllName`) and home\release with JAVA_VERSION.
class JavaInstall;
void MakeVersionedRuntime(JavaInstall& install, const std::string& home, const std::string& javaVersion,
                          const std::string& dllName = "jvm.dll");
// Writes `machine` into the PE header's Machine field of an image file.
bool SetImageMachine(const std::string& path, WORD machine);
