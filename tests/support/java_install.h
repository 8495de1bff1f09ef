// A Java installation laid out for one test: an application home and a
// registered Java runtime in a fresh temporary folder, holding the stand-in
// jvm.dll, and the HKLM values that point at them.  Everything it changes in
// the registry is put back as it was when the fixture goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class JavaInstall {
 public:
  JavaInstall();
  ~JavaInstall();
  JavaInstall(const JavaInstall&) = delete;
  JavaInstall& operator=(const JavaInstall&) = delete;

  // root\app and root\registered-jre; neither exists until made.
  const std::string& root() const { return root_; }
  const std::string& appHome() const { return appHome_; }
  const std::string& registeredHome() const { return registeredHome_; }

  // The application home with classes\ and lib\ holding the named jars, laid
  // out as an install has it: the entry class velmo/jni/VelmoPSJNI lies in
  // classes\ (classIn "classes"), in the jar of lib\ named by classIn, or,
  // with classIn "", nowhere.  Every jar is a real zip.
  void MakeAppHome(const std::vector<std::string>& jars = {"app.jar"}, const std::string& classIn = "classes");
  // A runtime inside a home: home\<sub>\bin\java.dll and
  // home\<sub>\bin\server\jvm.dll, a copy of the built stand-in `dllName`
  // (jvm.dll or jvm_noinitargs.dll).  sub "" puts it in the home itself.
  // withJvm false leaves out the server\jvm.dll.
  void MakeRuntime(const std::string& home, const std::string& sub, const std::string& dllName = "jvm.dll",
                   bool withJvm = true);
  // The runtime's release file, JAVA_VERSION="<version>" among other lines.
  static void WriteRelease(const std::string& runtimeHome, const std::string& javaVersion);
  // The stand-in C runtime (vcruntime140_1.dll) in the runtime's bin, where
  // the jvm_crt.dll variant of the stand-in needs it.
  static void AddRuntimeCrt(const std::string& runtimeHome);
  // A native library of the runtime, bin\awt.dll, and the C++ runtime it
  // imports (fakemsvcp.dll), which lies only in the runtime's bin.  The
  // stand-in's Java application loads it when told to (native_library).
  static void AddNativeLibrary(const std::string& runtimeHome);
  // A folder root\<name> made with its wide name; returns its short (8.3)
  // path, through which the A functions lay it out, "" when it has none.
  std::string MakeWideFolder(const std::wstring& name, std::wstring* longPath) const;
  // The application home laid out at path (a short path, say) from now on.
  void PlaceAppHomeAt(const std::string& path) { appHome_ = path; }
  // VelmoHome as UTF-16, for a path the ANSI code page cannot spell.
  void SetAppHomeWide(const std::wstring& path);
  // The usual layout: home with a runtime in its "jre" and VelmoHome set.
  void MakeStandardInstall();

  // HKLM "Software\JavaSoft\Prefs\Velmo" "VelmoHome".
  void SetAppHomeValue(const std::string& text);
  void SetAppHomeRaw(DWORD type, const std::string& bytes);
  void RemoveAppHomeValue();
  // HKLM "Software\JavaSoft\Java Runtime Environment": CurrentVersion and
  // that subkey's JavaHome.
  void SetRegisteredRuntime(const std::string& version, const std::string& javaHome);
  void RemoveRegisteredRuntime();

  // The stand-in's path under a runtime home: home\sub\bin\server\jvm.dll.
  static std::string JvmPath(const std::string& runtimeHome);
  // A built file of the test tree (beside the running test executable).
  static std::string BuiltFile(const std::string& name);

 private:
  struct SavedValue {
    std::string key;
    std::string name;
    bool existed;
    DWORD type;
    std::vector<BYTE> data;
  };
  void Save(const std::string& key, const std::string& name);
  void SetValue(const std::string& key, const std::string& name, DWORD type, const std::string& bytes);

  std::string root_;
  std::string appHome_;
  std::string registeredHome_;
  std::vector<SavedValue> saved_;
  std::vector<std::string> createdKeys_;
};

// The file, in a jar, of the application's entry class.
extern const char kEntryClassFile[];
// A jar: a zip file whose central directory lists the entries (stored, empty).
bool WriteJar(const std::string& path, const std::vector<std::string>& entries);

// Creates every directory of path; writes a small file.
bool MakeDirectories(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& content);
bool HklmKeyExists(const std::string& key);
std::string ReadFileBytes(const std::string& path);
// Deletes a directory tree.
void RemoveTree(const std::string& path);
