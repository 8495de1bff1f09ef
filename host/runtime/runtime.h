// The Java runtime: where it is and how its jvm.dll comes into the process.
//
//   java_home.cpp        the choice: application home, registered runtime,
//                        then the wider search; the jvm.dll path in a home
//   registry_strings.cpp REG_SZ reading, the application home and the
//                        "Java Runtime Environment" registration
//   registry_key.h       the registry key holder
//   runtime_search.h/.cpp  the wider search: JavaSoft "JRE"/"JDK"/"Java
//                        Development Kit", the vendors' keys, JAVA_HOME;
//                        only x64 runtimes
//   vendor_runtimes.cpp  the OpenJDK vendors' registrations in HKLM and the
//                        user's own HKCU, newest first
//   dotted_version.h/.cpp  ordering version names
//   runtime_release.cpp  the version of the runtime in use: release file,
//                        jvm.dll's version resource, layout
//   version_resource.cpp the version in a DLL's version resource
//   pe_image.h/.cpp      whether a jvm.dll is an x64 image
//   dll_search.cpp       the runtime's bin as the process's DLL directory
//   crt_preload.cpp      the runtime's own C runtime, loaded before jvm.dll
//                        where bin cannot be the DLL directory
//   jvm_loader.cpp       loading jvm.dll and resolving its entry points
//   process_jvm.cpp      the one jvm.dll whose virtual machine the process has
//
//   runtime_trust.cpp    who may change a runtime a privileged relay loads:
//                        the judgement of one owner and DACL
//   privileged_relay.cpp the rule of this process, and jvm.dll and the
//                        folders above it judged
//
//   ansi_path.cpp        a path read in its wide form, as the A functions
//                        take it: ANSI where the code page spells it, else
//                        its short name
//
// Destinations are 8-bit ANSI buffers; capacities count bytes including the
// terminator.  False means the destination holds no result.
#pragma once

#include <windows.h>

#include <jni.h>

constexpr int kPathCapacity = 520;

// ---------------------------------------------------------------------------
// Paths read in their wide form (ansi_path.cpp).
// The text exactly as the ANSI code page spells it (no default character, no
// best fit, under UTF-8 no lone surrogate); false when it cannot, the last
// error ERROR_NO_UNICODE_TRANSLATION, or ERROR_INSUFFICIENT_BUFFER when it
// does not fit.
bool SpellInAnsiCodePage(const wchar_t* text, char* destination, int capacity);
// The same for a given code page (the ANSI one is GetACP()).
bool SpellInCodePage(UINT codePage, const wchar_t* text, char* destination, int capacity);
// The path as the ANSI code page spells it, else its short (8.3) form; false
// when neither names it: no short name, or one with an OEM character the ANSI
// code page cannot spell.  Traced in UTF-8, and, unless the path does not
// exist, noted as an unusable folder of the start-up.
bool AnsiPathFromWide(const wchar_t* path, char* destination, int capacity);
// A REG_SZ path value read in its wide form, then as AnsiPathFromWide gives
// it; trailing backslashes dropped first when dropTrailingBackslashes.
bool ReadRegPath(HKEY key, const char* valueName, char* destination, int capacity, bool dropTrailingBackslashes);

// ---------------------------------------------------------------------------
// Location (java_home.cpp, registry_strings.cpp, runtime_search.cpp).
bool ReadAppHome(char* destination, int capacity);
bool ReadRegString(HKEY key, const char* valueName, char* destination, int capacity);
bool ReadRegistryJavaHome(char* destination, int capacity);
bool FindJavaHome(char* destination, int capacity);
// Where FindJavaHome looks once the home and the registered runtime gave
// nothing (runtime_search.cpp, vendor_runtimes.cpp, pe_image.cpp): the
// JavaSoft "JRE", "JDK" then "Java Development Kit" keys, the OpenJDK
// vendors' keys of the machine and of the user newest version first, then
// JAVA_HOME; only a home whose bin\server\jvm.dll (or, for a JDK before
// Java 9, jre\bin\server\jvm.dll) is x64.
bool FindFurtherJavaHome(char* destination, int capacity);
// The runtime home, "\bin\server\jvm.dll".
bool BuildJvmLibraryPath(const char* javaHome, char* destination, int capacity);

// ---------------------------------------------------------------------------
// A privileged relay's runtime (runtime_trust.cpp, privileged_relay.cpp).
// A relay running as SYSTEM, LocalService or NetworkService, or elevated,
// loads jvm.dll and the DLLs of its bin with those rights: it takes only a
// runtime nobody else may change.  The launcher takes any runtime.
//
// jvm.dll, bin\server, bin and the runtime's home are within the runtime;
// the folders above them up to the volume's root lead to it.
enum class RuntimeLevel { kWithinRuntime, kAboveRuntime };
// Whether nobody but SYSTEM, the Administrators, TrustedInstaller and self
// (the relay's own account; null for none) may write, add files to, delete,
// take over or re-permit what the owner and DACL describe: no allowing entry
// that is not inherit-only grants anyone else such a right, and the owner,
// who may always rewrite the DACL, is one of them (or OWNER RIGHTS, judged as
// the owner, limits it).  Above the runtime, adding a folder is no change.  A
// NULL DACL (everyone everything) is refused, an empty one is not.
bool OnlyAdministratorsMayChange(PSID owner, PACL dacl, RuntimeLevel level, PSID self);
struct RuntimeRule {
  bool checkFolders;      // a runtime is taken only as OnlyAdministratorsMayChange says
  bool passOverJavaHome;  // JAVA_HOME is not looked at
};
// The rule of a process that serves print jobs or not, running as user,
// elevated or not.  A service account's environment is the machine's, which
// it does not choose; an elevated relay's JAVA_HOME is its own account's, and
// the runtime it names is still judged.
RuntimeRule RuntimeRuleFor(bool servingPrintJobs, PSID user, bool elevated);
// The entry says whether this process is the print relay, before it runs.
void NoteServingPrintJobs(bool serving);
// RuntimeRuleFor this process's token.
RuntimeRule ProcessRuntimeRule();
enum class RuntimeVerdict { kTrusted, kNoJvm, kOthersMayChange, kUnreadable };
// jvm.dll at jvmPath and every folder above its final path judged; refused
// names the level that was not trusted (or could not be read), *error why not.
RuntimeVerdict JudgeRuntimeFolders(const char* jvmPath, DWORD* error, wchar_t* refused, int refusedCapacity);
// A candidate runtime a privileged relay does not take, traced as passed
// over like the others (source = home, and the level at fault); false, with
// nothing traced, when the rule takes it.
bool RuntimeRefusedForRelay(const char* source, const char* home);

// ---------------------------------------------------------------------------
// Loading (jvm_loader.cpp, dll_search.cpp, crt_preload.cpp,
// runtime_release.cpp, version_resource.cpp, process_jvm.cpp).
using CreateJavaVMProc = jint(JNICALL*)(JavaVM**, void**, void*);
using GetDefaultJavaVMInitArgsProc = jint(JNICALL*)(void*);
using GetCreatedJavaVMsProc = jint(JNICALL*)(JavaVM**, jsize, jsize*);

struct JvmEntryPoints {
  CreateJavaVMProc createJavaVM;
  GetDefaultJavaVMInitArgsProc getDefaultJavaVMInitArgs;
  GetCreatedJavaVMsProc getCreatedJavaVMs;
};

bool LoadJvm(JvmEntryPoints* entryPoints);

// <runtime>\bin as the process's DLL directory, for good (dll_search.cpp);
// false, traced, when Windows refuses it.
bool UseRuntimeBinForDlls(const char* javaHome);
// The Java runtime's own C and C++ runtime DLLs, loaded from <runtime>\bin
// by full path, those present (crt_preload.cpp): where bin could not be made
// the DLL directory.
void PreloadRuntimeCrt(const char* javaHome);
// The feature version ("17") a runtime's release file text names, 0 when it
// names none (runtime_release.cpp).
int ParseJavaFeatureVersion(const char* releaseText);
// The feature version of a module's version resource (its FileVersion, "1.x"
// read as x), 0 without one (version_resource.cpp).
int ModuleFileFeatureVersion(HMODULE module);
// A loaded module's fixed version information; false without one.
bool ModuleFixedFileInfo(HMODULE module, VS_FIXEDFILEINFO* info);
// Whether the runtime whose jvm.dll holds the entry points is given
// -XX:PermSize and -XX:MaxPermSize (runtime_release.cpp).  Its version comes
// from its release file, else its jvm.dll's version resource: a runtime older
// than 17 (which refuses them) gets them, and so does one of unknown version
// that is no modular runtime (Java 9 and later, for which they do nothing).
bool JvmTakesPermanentGenerationOptions(const JvmEntryPoints* entryPoints);
// The entry points of the jvm.dll that made the process's virtual machine,
// kept for every later start-up (process_jvm.cpp).
void KeepProcessJvm(const JvmEntryPoints* entryPoints);
bool ProcessJvm(JvmEntryPoints* entryPoints);
