// The version a loaded module (jvm.dll, jvmhost itself) gives in its version resource.  Read from the
// module in memory, so neither the file nor version.dll is needed: the
// resource VS_VERSION_INFO is three WORDs and L"VS_VERSION_INFO" (40 bytes
// with the padding to a DWORD), then VS_FIXEDFILEINFO.
#include <cstring>

#include "host/runtime/runtime.h"

namespace {

constexpr WORD kVersionInfoId = 1;
constexpr WORD kVersionResourceType = 16;  // RT_VERSION
constexpr DWORD kFixedInfoAt = 40;
constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;

}  // namespace

bool ModuleFixedFileInfo(HMODULE module, VS_FIXEDFILEINFO* info) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kVersionInfoId), MAKEINTRESOURCEA(kVersionResourceType));
  if (found == nullptr) return false;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const auto* data = static_cast<const unsigned char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (data == nullptr || size < kFixedInfoAt + sizeof *info) return false;
  WORD valueLength = 0;
  memcpy(&valueLength, data + sizeof(WORD), sizeof valueLength);
  if (valueLength < sizeof *info) return false;
  memcpy(info, data + kFixedInfoAt, sizeof *info);
  return info->dwSignature == kFixedInfoSignature;
}

int ModuleFileFeatureVersion(HMODULE module) {
  VS_FIXEDFILEINFO info = {};
  if (!ModuleFixedFileInfo(module, &info)) return 0;
  // Up to Java 8 a version may read "1.8"; from Java 9 on "17.0.9.0".
  int major = HIWORD(info.dwFileVersionMS);
  return major == 1 ? LOWORD(info.dwFileVersionMS) : major;
}
