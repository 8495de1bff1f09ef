#include "tests/support/version_resource.h"

#include <cstdio>

const char* const kVersionStringNames[7] = {"FileDescription", "FileVersion",      "ProductName",
                                            "ProductVersion",  "InternalName",     "OriginalFilename",
                                            "LegalCopyright"};

bool ReadVersionResource(const std::string& program, VersionResource* resource) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoA(program.c_str(), 0, size, block.data())) return false;

  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return false;
  resource->fixed = *static_cast<VS_FIXEDFILEINFO*>(value);

  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
  }
  const WORD* pairs = static_cast<const WORD*>(value);
  for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) resource->translations.push_back({pairs[i], pairs[i + 1]});

  char table[16];
  snprintf(table, sizeof table, "%04x%04x", resource->translations[0].first, resource->translations[0].second);
  resource->table = table;
  for (const char* name : kVersionStringNames) {
    const std::string query = "\\StringFileInfo\\" + resource->table + "\\" + name;
    if (VerQueryValueA(block.data(), query.c_str(), &value, &length) && length > 0) {
      resource->strings[name] = static_cast<const char*>(value);
    }
  }
  return true;
}
