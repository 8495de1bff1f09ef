// The OpenJDK builds' own registrations.  Each vendor keeps one subkey per
// installed version below a key of its own, so which runtime is newest is
// decided by the subkeys' names.
#include <cstring>

#include "host/bounded_text.h"
#include "host/runtime/dotted_version.h"
#include "host/runtime/registry_key.h"
#include "host/runtime/runtime_search.h"

namespace {

struct Vendor {
  const char* key;        // below HKEY_LOCAL_MACHINE, one subkey per version
  const char* below;      // from the version's subkey to the key holding the value
  const char* valueName;  // the runtime's directory, REG_SZ
};

// Adoptium writes a JRE key for its JRE installers beside the JDK one.
const Vendor kVendors[] = {
    {"Software\\Eclipse Adoptium\\JDK", "\\hotspot\\MSI", "Path"},
    {"Software\\Eclipse Adoptium\\JRE", "\\hotspot\\MSI", "Path"},
    {"Software\\Microsoft\\JDK", "\\hotspot\\MSI", "Path"},
    {"Software\\Azul Systems\\Zulu", "", "InstallationPath"},
};

// Newest first; a tie keeps the order of the vendors' table and of the
// enumeration, so the result does not depend on the sort.
void InsertByVersion(VendorRuntime* list, int count, const VendorRuntime& runtime) {
  int at = count;
  while (at > 0 && CompareDottedVersions(list[at - 1].version, runtime.version) < 0) {
    list[at] = list[at - 1];
    --at;
  }
  list[at] = runtime;
}

}  // namespace

int ListVendorRuntimes(VendorRuntime* list, int capacity) {
  int count = 0;
  for (int vendor = 0; vendor < static_cast<int>(sizeof kVendors / sizeof kVendors[0]); ++vendor) {
    KeyHolder versions;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendors[vendor].key, 0, KEY_READ, &versions.key) != ERROR_SUCCESS) {
      continue;
    }
    for (DWORD index = 0; count < capacity; ++index) {
      VendorRuntime runtime = {};
      runtime.vendor = vendor;
      DWORD length = sizeof runtime.version;
      LONG status = RegEnumKeyExA(versions.key, index, runtime.version, &length, nullptr, nullptr, nullptr, nullptr);
      // A name that does not fit cannot be a registration of ours; the next may.
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) break;
      InsertByVersion(list, count++, runtime);
    }
  }
  return count;
}

bool ReadVendorRuntimeHome(const VendorRuntime& runtime, char* home, int capacity, char* source,
                           int sourceCapacity) {
  const Vendor& vendor = kVendors[runtime.vendor];
  char keyPath[kPathCapacity];
  if (!FormatInto(keyPath, sizeof keyPath, "%s\\%s%s", vendor.key, runtime.version, vendor.below)) return false;
  FormatInto(source, sourceCapacity, "HKLM\\%s %s", keyPath, vendor.valueName);
  KeyHolder key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key.key) != ERROR_SUCCESS) return false;
  return ReadRegString(key.key, vendor.valueName, home, capacity);
}
