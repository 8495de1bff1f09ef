// Who this virtual machine is: its version, as built in (the product version
// of its own version resource, when it has one) or else as its runtime's
// release file gives it (<runtime>\release beside bin\server\jvm.dll), and
// whether another jvm.dll made the process's virtual machine already.
//
// HotSpot knows its version without reading any file, so a stand-in with a
// version resource never looks at the release file a host may read.  The
// product version is the runtime's own (HotSpot before Java 9 gave its
// FileVersion as the HotSpot version: 25.x for Java 8, 24.x for Java 7).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// "1.8.0_392" is 8, "17.0.9" 17, "21" 21; 0 when the text holds no version.
int FeatureVersion(const char* text) {
  if (strncmp(text, "1.", 2) == 0) text += 2;
  return atoi(text);
}

// The feature version of this DLL's fixed version information: VS_VERSIONINFO
// is three WORDs and L"VS_VERSION_INFO" (40 bytes with its padding), then
// VS_FIXEDFILEINFO.  0 without one.
int BuiltInVersion() {
  HMODULE module = ThisModule();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  if (found == nullptr) return 0;
  const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
  VS_FIXEDFILEINFO info = {};
  if (data == nullptr || SizeofResource(module, found) < 40 + sizeof info) return 0;
  memcpy(&info, data + 40, sizeof info);
  if (info.dwSignature != 0xFEEF04BD) return 0;
  int major = HIWORD(info.dwProductVersionMS);
  return major == 1 ? LOWORD(info.dwProductVersionMS) : major;
}

// One name for the whole process: each jvm.dll has its own state, so only a
// kernel object tells one copy that another made a virtual machine here.
std::string CreatorObjectName() { return "fakejvm-created-vm-" + std::to_string(GetCurrentProcessId()); }

}  // namespace

std::string RuntimeHome() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(ThisModule(), path, MAX_PATH);
  return ParentOf(ParentOf(ParentOf(std::string(path, length))));
}

int RuntimeJavaVersion() {
  int builtIn = BuiltInVersion();
  if (builtIn > 0) return builtIn;
  FILE* release = fopen((RuntimeHome() + "\\release").c_str(), "rb");
  if (release != nullptr) {
    char line[512];
    int version = 0;
    while (version == 0 && fgets(line, sizeof line, release) != nullptr) {
      if (strncmp(line, "JAVA_VERSION=", 13) == 0) version = FeatureVersion(line + 13 + (line[13] == '"' ? 1 : 0));
    }
    fclose(release);
    if (version > 0) return version;
  }
  return SettingInt("java_version", 8);
}

bool AnotherJvmCreatedAVm() {
  HANDLE creator = OpenMutexA(SYNCHRONIZE, FALSE, CreatorObjectName().c_str());
  if (creator == nullptr) return false;
  CloseHandle(creator);
  return true;
}

void ClaimTheProcessVm() {
  // Kept open for the life of the process, as the virtual machine is.
  CreateMutexA(nullptr, FALSE, CreatorObjectName().c_str());
}

}  // namespace fakejvm
