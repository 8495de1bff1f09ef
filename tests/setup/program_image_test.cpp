// What printersetup.exe carries in its image: a console program whose
// manifest asks for no elevation, with its version resource.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/setup/child_process.h"
#include "tests/support/version_expectations.h"

namespace {

std::string ProgramPath() { return BinaryDirectory() + "\\printersetup.exe"; }

}  // namespace

TEST(ProgramImage, ManifestRequestsAsInvokerWithoutUiAccess) {
  HMODULE image = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr) << "LoadLibraryExA failed: " << GetLastError();
  HRSRC resource = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
  ASSERT_NE(resource, nullptr) << "FindResourceA(1, RT_MANIFEST) failed: " << GetLastError();
  const char* data = static_cast<const char*>(LockResource(LoadResource(image, resource)));
  ASSERT_NE(data, nullptr);
  const std::string manifest(data, SizeofResource(image, resource));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
  FreeLibrary(image);
}

TEST(ProgramImage, IsConsoleSubsystemProgram) {
  HMODULE image = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr) << "LoadLibraryExA failed: " << GetLastError();
  // An image-resource mapping marks its base address with the low bits.
  auto base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~static_cast<ULONG_PTR>(3));
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_CUI);
  FreeLibrary(image);
}

TEST(ProgramImage, VersionResourceNamesTheInstaller) {
  // "青禾舟虚拟打印机安装程序": installer of the product's virtual printer.
  ExpectProductVersionResource(ProgramPath(),
                               "\xC7\xE0\xBA\xCC\xD6\xDB\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2",
                               "printersetup");
}
