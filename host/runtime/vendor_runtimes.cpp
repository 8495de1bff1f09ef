// The OpenJDK builds' own registrations.  Each vendor keeps one subkey per
// installed version below a key of its own, in HKEY_LOCAL_MACHINE for a
// machine-wide install and in HKEY_CURRENT_USER for one made for the user
// alone, so which runtime is newest is decided by the versions the subkeys
// name (or, for Zulu, whose subkeys name only the feature version, hold).
#include <cstring>

#include "host/text/bounded_text.h"
#include "host/runtime/dotted_version.h"
#include "host/runtime/registry_key.h"
#include "host/runtime/runtime_search.h"

namespace {

struct Vendor {
  const char* key;           // one subkey per version
  const char* below;         // from the version's subkey to the key holding the value
  const char* valueName;     // the runtime's directory, REG_SZ
  const char* versionValue;  // in the version's subkey, the full version; null: the subkey's name is
};

// Adoptium writes a JRE key for its JRE installers beside the JDK one; its
// builds were AdoptOpenJDK's before, registered under that name.
const Vendor kVendors[] = {
    {"Software\\Eclipse Adoptium\\JDK", "\\hotspot\\MSI", "Path", nullptr},
    {"Software\\Eclipse Adoptium\\JRE", "\\hotspot\\MSI", "Path", nullptr},
    {"Software\\Microsoft\\JDK", "\\hotspot\\MSI", "Path", nullptr},
    {"Software\\Azul Systems\\Zulu", "", "InstallationPath", "CurrentVersion"},
    {"Software\\AdoptOpenJDK\\JDK", "\\hotspot\\MSI", "Path", nullptr},
    {"Software\\AdoptOpenJDK\\JRE", "\\hotspot\\MSI", "Path", nullptr},
};

struct Hive {
  HKEY predefined;  // null: the user's own hive
  const char* name;
};
const Hive kHives[] = {{HKEY_LOCAL_MACHINE, "HKLM"}, {nullptr, "HKCU"}};

// The user's own HKEY_CURRENT_USER.  Once a bridge exists the process's
// HKEY_CURRENT_USER is redirected into a private subtree; RegOpenCurrentUser
// opens the user's hive itself (HKEY_USERS\<sid>), whatever the redirection.
bool OpenHive(int hive, KeyHolder* root) {
  if (kHives[hive].predefined == nullptr) return RegOpenCurrentUser(KEY_READ, &root->key) == ERROR_SUCCESS;
  return RegOpenKeyExA(kHives[hive].predefined, nullptr, 0, KEY_READ, &root->key) == ERROR_SUCCESS;
}

// Newest first; a tie keeps the order of the hives, of the vendors' table and
// of the enumeration, so the result does not depend on the sort.
void InsertByVersion(VendorRuntime* list, int count, const VendorRuntime& runtime) {
  int at = count;
  while (at > 0 && CompareDottedVersions(list[at - 1].version, runtime.version) < 0) {
    list[at] = list[at - 1];
    --at;
  }
  list[at] = runtime;
}

// The full version a registration holds where its subkey's name is not one;
// the name stays when the value is missing or names no number.
void ReadHeldVersion(HKEY versions, const Vendor& vendor, VendorRuntime* runtime) {
  if (vendor.versionValue == nullptr) return;
  KeyHolder key;
  if (RegOpenKeyExA(versions, runtime->name, 0, KEY_READ, &key.key) != ERROR_SUCCESS) return;
  char held[sizeof runtime->version];
  if (ReadRegString(key.key, vendor.versionValue, held, sizeof held) && held[0] >= '0' && held[0] <= '9') {
    memcpy(runtime->version, held, sizeof held);
  }
}

}  // namespace

int ListVendorRuntimes(VendorRuntime* list, int capacity) {
  int count = 0;
  for (int hive = 0; hive < static_cast<int>(sizeof kHives / sizeof kHives[0]); ++hive) {
    KeyHolder root;
    if (!OpenHive(hive, &root)) continue;
    for (int vendor = 0; vendor < static_cast<int>(sizeof kVendors / sizeof kVendors[0]); ++vendor) {
      KeyHolder versions;
      if (RegOpenKeyExA(root.key, kVendors[vendor].key, 0, KEY_READ, &versions.key) != ERROR_SUCCESS) continue;
      for (DWORD index = 0; count < capacity; ++index) {
        VendorRuntime runtime = {};
        runtime.hive = hive;
        runtime.vendor = vendor;
        DWORD length = sizeof runtime.name;
        LONG status = RegEnumKeyExA(versions.key, index, runtime.name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name that does not fit cannot be a registration of ours; the next may.
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        memcpy(runtime.version, runtime.name, sizeof runtime.name);
        ReadHeldVersion(versions.key, kVendors[vendor], &runtime);
        InsertByVersion(list, count++, runtime);
      }
    }
  }
  return count;
}

bool ReadVendorRuntimeHome(const VendorRuntime& runtime, char* home, int capacity, char* source,
                           int sourceCapacity) {
  const Vendor& vendor = kVendors[runtime.vendor];
  char keyPath[kPathCapacity];
  if (!FormatInto(keyPath, sizeof keyPath, "%s\\%s%s", vendor.key, runtime.name, vendor.below)) return false;
  FormatInto(source, sourceCapacity, "%s\\%s %s", kHives[runtime.hive].name, keyPath, vendor.valueName);
  KeyHolder root;
  if (!OpenHive(runtime.hive, &root)) return false;
  KeyHolder key;
  if (RegOpenKeyExA(root.key, keyPath, 0, KEY_READ, &key.key) != ERROR_SUCCESS) return false;
  return ReadRegPath(key.key, vendor.valueName, home, capacity, true);
}
