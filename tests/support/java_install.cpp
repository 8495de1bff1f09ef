#include "tests/support/java_install.h"

#include <cstdint>
#include <cstdio>

namespace {

const char kAppKey[] = "Software\\JavaSoft\\Prefs\\Velmo";
const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";

}  // namespace

const char kEntryClassFile[] = "velmo/jni/VelmoPSJNI.class";

namespace {

void PutLe(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

bool WriteJar(const std::string& path, const std::vector<std::string>& entries) {
  std::string local, central;
  for (const std::string& name : entries) {
    uint32_t offset = static_cast<uint32_t>(local.size());
    PutLe(&local, 0x04034b50, 4);  // local file header
    PutLe(&local, 20, 2);          // version needed
    PutLe(&local, 0, 2);           // flags
    PutLe(&local, 0, 2);           // stored
    PutLe(&local, 0, 4);           // time and date
    PutLe(&local, 0, 4);           // CRC-32 of no bytes
    PutLe(&local, 0, 4);           // compressed size
    PutLe(&local, 0, 4);           // size
    PutLe(&local, static_cast<uint32_t>(name.size()), 2);
    PutLe(&local, 0, 2);           // extra field
    local += name;
    PutLe(&central, 0x02014b50, 4);  // central directory header
    PutLe(&central, 20, 2);          // made by
    PutLe(&central, 20, 2);          // needed
    PutLe(&central, 0, 2);
    PutLe(&central, 0, 2);
    PutLe(&central, 0, 4);
    PutLe(&central, 0, 4);
    PutLe(&central, 0, 4);
    PutLe(&central, 0, 4);
    PutLe(&central, static_cast<uint32_t>(name.size()), 2);
    PutLe(&central, 0, 2);  // extra field
    PutLe(&central, 0, 2);  // comment
    PutLe(&central, 0, 2);  // disk
    PutLe(&central, 0, 2);  // internal attributes
    PutLe(&central, 0, 4);  // external attributes
    PutLe(&central, offset, 4);
    central += name;
  }
  std::string end;
  PutLe(&end, 0x06054b50, 4);
  PutLe(&end, 0, 4);  // disks
  PutLe(&end, static_cast<uint32_t>(entries.size()), 2);
  PutLe(&end, static_cast<uint32_t>(entries.size()), 2);
  PutLe(&end, static_cast<uint32_t>(central.size()), 4);
  PutLe(&end, static_cast<uint32_t>(local.size()), 4);
  PutLe(&end, 0, 2);  // comment
  return WriteFileText(path, local + central + end);
}

bool MakeDirectories(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  }
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteFileText(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
            written == content.size();
  CloseHandle(file);
  return ok;
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string content;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) content.append(chunk, read);
  CloseHandle(file);
  return content;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      // A name the ANSI code page cannot spell reads with '?'; its short name works.
      if (name.find('?') != std::string::npos && entry.cAlternateFileName[0] != '\0') name = entry.cAlternateFileName;
      std::string child = path + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

JavaInstall::JavaInstall() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char unique[64];
  snprintf(unique, sizeof unique, "javainstall-%lu-%llu", GetCurrentProcessId(),
           static_cast<unsigned long long>(GetTickCount64()));
  root_ = std::string(temp) + unique;
  MakeDirectories(root_);
  appHome_ = root_ + "\\app";
  registeredHome_ = root_ + "\\registered-jre";
  Save(kAppKey, "VelmoHome");
  Save(kRuntimeKey, "CurrentVersion");
  RemoveAppHomeValue();
  RemoveRegisteredRuntime();
}

JavaInstall::~JavaInstall() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, it->key.c_str(), &key) != ERROR_SUCCESS) continue;
    if (it->existed) {
      RegSetValueExA(key, it->name.c_str(), 0, it->type, it->data.data(), static_cast<DWORD>(it->data.size()));
    } else {
      RegDeleteValueA(key, it->name.c_str());
    }
    RegCloseKey(key);
  }
  for (auto it = createdKeys_.rbegin(); it != createdKeys_.rend(); ++it) RegDeleteTreeA(HKEY_LOCAL_MACHINE, it->c_str());
  RemoveTree(root_);
}

void JavaInstall::Save(const std::string& key, const std::string& name) {
  SavedValue saved{key, name, false, 0, {}};
  DWORD size = 0;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &saved.type, nullptr,
                   &size) == ERROR_SUCCESS) {
    saved.existed = true;
    saved.data.resize(size);
    RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &saved.type,
                 saved.data.data(), &size);
    saved.data.resize(size);
  }
  saved_.push_back(saved);
}

void JavaInstall::SetValue(const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
  if (!HklmKeyExists(key)) createdKeys_.push_back(key);
  HKEY handle = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, key.c_str(), &handle) != ERROR_SUCCESS) return;
  RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
}

std::string JavaInstall::MakeWideFolder(const std::wstring& name, std::wstring* longPath) const {
  std::wstring root(root_.begin(), root_.end());  // the temporary folder's path is ASCII here
  *longPath = root + L"\\" + name;
  if (!CreateDirectoryW(longPath->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return "";
  wchar_t shortPath[MAX_PATH];
  DWORD length = GetShortPathNameW(longPath->c_str(), shortPath, MAX_PATH);
  char ansi[MAX_PATH];
  BOOL usedDefault = FALSE;
  if (length == 0 || length >= MAX_PATH ||
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, ansi, MAX_PATH, nullptr, &usedDefault) <= 0 ||
      usedDefault) {
    return "";
  }
  return ansi;
}

void JavaInstall::SetAppHomeWide(const std::wstring& path) {
  SetValue(kAppKey, "VelmoHome", REG_SZ, "");  // the key made and noted, the value then written wide
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegSetValueExW(key, L"VelmoHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void JavaInstall::MakeAppHome(const std::vector<std::string>& jars, const std::string& classIn) {
  MakeDirectories(appHome_ + "\\classes");
  MakeDirectories(appHome_ + "\\lib");
  if (classIn == "classes") {
    MakeDirectories(appHome_ + "\\classes\\velmo\\jni");
    WriteFileText(appHome_ + "\\classes\\velmo\\jni\\VelmoPSJNI.class", "\xCA\xFE\xBA\xBE");
  }
  for (const std::string& jar : jars) {
    std::vector<std::string> entries = {"META-INF/MANIFEST.MF", "velmo/jni/VelmoPS.class"};
    if (jar == classIn) entries.push_back(kEntryClassFile);
    WriteJar(appHome_ + "\\lib\\" + jar, entries);
  }
}

void JavaInstall::WriteRelease(const std::string& runtimeHome, const std::string& javaVersion) {
  WriteFileText(runtimeHome + "\\release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_RUNTIME_VERSION=\"" + javaVersion +
                                                "+9\"\nJAVA_VERSION=\"" + javaVersion +
                                                "\"\nOS_ARCH=\"x86_64\"\nOS_NAME=\"Windows\"\n");
}

void JavaInstall::AddRuntimeCrt(const std::string& runtimeHome) {
  CopyFileA(BuiltFile("crt\\vcruntime140_1.dll").c_str(), (runtimeHome + "\\bin\\vcruntime140_1.dll").c_str(), FALSE);
}

void JavaInstall::AddNativeLibrary(const std::string& runtimeHome) {
  for (const char* name : {"awt.dll", "fakemsvcp.dll"}) {
    CopyFileA(BuiltFile(std::string("native\\") + name).c_str(), (runtimeHome + "\\bin\\" + name).c_str(), FALSE);
  }
}

void JavaInstall::MakeRuntime(const std::string& home, const std::string& sub, const std::string& dllName,
                              bool withJvm) {
  std::string runtime = sub.empty() ? home : home + "\\" + sub;
  MakeDirectories(runtime + "\\bin\\server");
  WriteFileText(runtime + "\\bin\\java.dll", "stand-in java.dll");
  if (withJvm) CopyFileA(BuiltFile(dllName).c_str(), JvmPath(runtime).c_str(), FALSE);
}

void JavaInstall::MakeStandardInstall() {
  MakeAppHome();
  MakeRuntime(appHome_, "jre");
  SetAppHomeValue(appHome_);
}

void JavaInstall::SetAppHomeValue(const std::string& text) {
  SetValue(kAppKey, "VelmoHome", REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void JavaInstall::SetAppHomeRaw(DWORD type, const std::string& bytes) { SetValue(kAppKey, "VelmoHome", type, bytes); }

void JavaInstall::RemoveAppHomeValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, "VelmoHome");
  RegCloseKey(key);
}

void JavaInstall::SetRegisteredRuntime(const std::string& version, const std::string& javaHome) {
  SetValue(kRuntimeKey, "CurrentVersion", REG_SZ, std::string(version.c_str(), version.size() + 1));
  std::string subkey = std::string(kRuntimeKey) + "\\" + version;
  SetValue(subkey, "JavaHome", REG_SZ, std::string(javaHome.c_str(), javaHome.size() + 1));
}

void JavaInstall::RemoveRegisteredRuntime() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRuntimeKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, "CurrentVersion");
  RegCloseKey(key);
}

std::string JavaInstall::JvmPath(const std::string& runtimeHome) { return runtimeHome + "\\bin\\server\\jvm.dll"; }

std::string JavaInstall::BuiltFile(const std::string& name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, length);
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

bool HklmKeyExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}
