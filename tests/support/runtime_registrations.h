// Where newer Java installations register, cleared for one test: HKLM
// "Software\JavaSoft\JRE", "...\JDK" and "...\Java Development Kit", the
// OpenJDK vendors' keys in HKLM and in the user's own HKCU (opened as such,
// so a redirection of HKEY_CURRENT_USER in the test process changes nothing)
// and JAVA_HOME.  Every key, with all below it, and the variable are put back
// as they were when the fixture goes (declare it after a JavaInstall).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class JavaInstall;

class RuntimeRegistrations {
 public:
  RuntimeRegistrations();
  ~RuntimeRegistrations();
  RuntimeRegistrations(const RuntimeRegistrations&) = delete;
  RuntimeRegistrations& operator=(const RuntimeRegistrations&) = delete;

  // "Software\JavaSoft\<product>" CurrentVersion, and that subkey's JavaHome.
  void SetJavaSoft(const std::string& product, const std::string& version, const std::string& home);
  // A REG_SZ value below HKLM, or below the user's HKCU, its key made as needed.
  void SetString(const std::string& key, const std::string& name, const std::string& text);
  void SetUserString(const std::string& key, const std::string& name, const std::string& text);
  void Remove(const std::string& key);
  void RemoveUser(const std::string& key);
  void SetJavaHomeVariable(const std::string& home);  // "" removes it

 private:
  struct Saved {
    HKEY root;
    std::string key;
    std::string removeAtEnd;  // the key, or its first ancestor that was missing
    std::string backup;       // "" when the key did not exist
  };
  std::vector<Saved> saved_;
  HKEY user_ = nullptr;  // the user's own HKEY_CURRENT_USER
  std::string javaHome_;
  bool hadJavaHome_ = false;
};

// A runtime laid out as Java javaVersion ("1.8.0_392", "17.0.9"): the
// stand-in `dllName` as home\bin\server\jvm.dll, and home\release.
void MakeVersionedRuntime(JavaInstall& install, const std::string& home, const std::string& javaVersion,
                          const std::string& dllName = "jvm.dll");
// Writes machine into the PE header's Machine field of an image file.
bool SetImageMachine(const std::string& path, WORD machine);
// Writes the fixed part of an image file's version resource: the file
// version and the product version, four numbers each ("17.0.9.0").
bool SetImageVersions(const std::string& path, const WORD (&file)[4], const WORD (&product)[4]);
// The machine's only Java runtime a 32-bit one that JAVA_HOME names (the
// application home's "jre" removed): the search passes it over and finds
// none.  Returns that runtime's home, "" when it could not be laid out.
std::string LeaveOnlyA32BitJavaHome(JavaInstall& install, RuntimeRegistrations& places);
