#include "tests/support/runtime_registrations.h"

#include <cstring>
#include <utility>

#include "tests/support/java_install.h"

namespace {

const char* const kClearedKeys[] = {"Software\\JavaSoft\\JRE",          "Software\\JavaSoft\\JDK",
                                    "Software\\JavaSoft\\Java Development Kit", "Software\\Eclipse Adoptium",
                                    "Software\\Microsoft\\JDK",        "Software\\Azul Systems",
                                    "Software\\AdoptOpenJDK"};
const char* const kClearedUserKeys[] = {"Software\\Eclipse Adoptium", "Software\\Microsoft\\JDK",
                                        "Software\\Azul Systems", "Software\\AdoptOpenJDK"};
const char kBackups[] = "Software\\VelmoTestSavedKeys";

bool KeyExists(HKEY root, const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void CopyTree(HKEY root, const std::string& from, const std::string& to) {
  HKEY source = nullptr;
  HKEY target = nullptr;
  if (RegOpenKeyExA(root, from.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
      RegCreateKeyA(root, to.c_str(), &target) == ERROR_SUCCESS) {
    RegCopyTreeA(source, nullptr, target);
  }
  if (source != nullptr) RegCloseKey(source);
  if (target != nullptr) RegCloseKey(target);
}

}  // namespace

RuntimeRegistrations::RuntimeRegistrations() {
  RegOpenCurrentUser(KEY_ALL_ACCESS, &user_);
  std::vector<std::pair<HKEY, const char*>> cleared;
  for (const char* key : kClearedKeys) cleared.emplace_back(HKEY_LOCAL_MACHINE, key);
  for (const char* key : kClearedUserKeys) {
    if (user_ != nullptr) cleared.emplace_back(user_, key);
  }
  for (const auto& [root, key] : cleared) {
    Saved saved{root, key, key, ""};
    if (KeyExists(root, key)) {
      saved.backup = std::string(kBackups) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(saved_.size());
      CopyTree(root, key, saved.backup);
    }
    // Making the key makes its missing ancestors too; they go as well.
    for (size_t at = saved.key.rfind('\\'); !KeyExists(root, saved.key.substr(0, at));
         at = saved.key.rfind('\\', at - 1)) {
      saved.removeAtEnd = saved.key.substr(0, at);
    }
    RegDeleteTreeA(root, key);
    saved_.push_back(saved);
  }
  char value[32767];
  DWORD length = GetEnvironmentVariableA("JAVA_HOME", value, sizeof value);
  hadJavaHome_ = length > 0 && length < sizeof value;
  if (hadJavaHome_) javaHome_.assign(value, length);
  SetEnvironmentVariableA("JAVA_HOME", nullptr);
}

RuntimeRegistrations::~RuntimeRegistrations() {
  for (const Saved& saved : saved_) {
    RegDeleteTreeA(saved.root, saved.removeAtEnd.c_str());
    if (saved.backup.empty()) continue;
    CopyTree(saved.root, saved.backup, saved.key);
    RegDeleteTreeA(saved.root, saved.backup.c_str());
  }
  // Fails while another run keeps copies there.
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kBackups);
  if (user_ != nullptr) {
    RegDeleteKeyA(user_, kBackups);
    RegCloseKey(user_);
  }
  SetEnvironmentVariableA("JAVA_HOME", hadJavaHome_ ? javaHome_.c_str() : nullptr);
}

void RuntimeRegistrations::SetJavaSoft(const std::string& product, const std::string& version,
                                       const std::string& home) {
  SetString("Software\\JavaSoft\\" + product, "CurrentVersion", version);
  SetString("Software\\JavaSoft\\" + product + "\\" + version, "JavaHome", home);
}

void RuntimeRegistrations::SetString(const std::string& key, const std::string& name, const std::string& text) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), REG_SZ, text.c_str(),
                  static_cast<DWORD>(text.size() + 1));
}

void RuntimeRegistrations::SetUserString(const std::string& key, const std::string& name, const std::string& text) {
  RegSetKeyValueA(user_, key.c_str(), name.c_str(), REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void RuntimeRegistrations::Remove(const std::string& key) { RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str()); }

void RuntimeRegistrations::RemoveUser(const std::string& key) { RegDeleteTreeA(user_, key.c_str()); }

void RuntimeRegistrations::SetJavaHomeVariable(const std::string& home) {
  SetEnvironmentVariableA("JAVA_HOME", home.empty() ? nullptr : home.c_str());
}

void MakeVersionedRuntime(JavaInstall& install, const std::string& home, const std::string& javaVersion,
                          const std::string& dllName) {
  install.MakeRuntime(home, "", dllName);
  WriteFileText(home + "\\release", "IMPLEMENTOR=\"Stand-in\"\nJAVA_VERSION=\"" + javaVersion + "\"\n");
}

bool SetImageMachine(const std::string& path, WORD machine) {
  std::string image = ReadFileBytes(path);
  LONG newHeader = 0;
  if (image.size() < 0x40) return false;
  memcpy(&newHeader, &image[0x3C], sizeof newHeader);
  if (newHeader <= 0 || image.size() < static_cast<size_t>(newHeader) + 6) return false;
  memcpy(&image[static_cast<size_t>(newHeader) + 4], &machine, sizeof machine);
  return WriteFileText(path, image);
}

bool SetImageVersions(const std::string& path, const WORD (&file)[4], const WORD (&product)[4]) {
  std::string image = ReadFileBytes(path);
  // VS_FIXEDFILEINFO follows the resource's key L"VS_VERSION_INFO": its
  // signature, structure version, then the four halves.  The signature's
  // bytes alone may also occur in code.
  std::string key;
  for (char c : std::string("VS_VERSION_INFO")) key += std::string{c, '\0'};
  size_t at = image.find(key);
  if (at != std::string::npos) at = image.find(std::string("\xBD\x04\xEF\xFE", 4), at);
  if (at == std::string::npos || image.size() < at + 24) return false;
  const DWORD halves[] = {MAKELONG(file[1], file[0]), MAKELONG(file[3], file[2]), MAKELONG(product[1], product[0]),
                          MAKELONG(product[3], product[2])};
  memcpy(&image[at + 8], halves, sizeof halves);
  return WriteFileText(path, image);
}

std::string LeaveOnlyA32BitJavaHome(JavaInstall& install, RuntimeRegistrations& places) {
  RemoveTree(install.appHome() + "\\jre");
  std::string x86 = install.root() + "\\x86-jre";
  MakeVersionedRuntime(install, x86, "17.0.9");
  if (!SetImageMachine(JavaInstall::JvmPath(x86), 0x014c)) return "";
  places.SetJavaHomeVariable(x86);
  return x86;
}
