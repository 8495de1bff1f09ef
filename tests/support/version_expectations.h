// What every program's version resource must say, checked in one place for
// jvmhost.exe and printersetup.exe: the project version in numbers and text,
// Chinese (PRC) with code page 936, and the named strings.  Strings compare
// as GBK bytes: the tests run with the ANSI code page 936.
#pragma once

#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "product_version.h"
#include "tests/support/version_resource.h"

// "青禾舟"
constexpr char kVersionProductName[] = "\xC7\xE0\xBA\xCC\xD6\xDB";
// "版权所有 (C) 2026 青禾舟"
constexpr char kVersionCopyright[] = "\xB0\xE6\xC8\xA8\xCB\xF9\xD3\xD0 (C) 2026 \xC7\xE0\xBA\xCC\xD6\xDB";

inline void ExpectProductVersionResource(const std::string& program, const std::string& description,
                                         const std::string& internalName) {
  VersionResource resource;
  ASSERT_TRUE(ReadVersionResource(program, &resource))
      << program << ": no version resource (error " << GetLastError() << ")";
  for (const auto& [name, value] : resource.strings) std::cout << "  " << name << ": " << value << "\n";

  EXPECT_EQ(resource.fixed.dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(PRODUCT_VERSION_MINOR, PRODUCT_VERSION_MAJOR);
  const DWORD low = MAKELONG(0, PRODUCT_VERSION_PATCH);
  EXPECT_EQ(resource.fixed.dwFileVersionMS, high);
  EXPECT_EQ(resource.fixed.dwFileVersionLS, low);
  EXPECT_EQ(resource.fixed.dwProductVersionMS, high);
  EXPECT_EQ(resource.fixed.dwProductVersionLS, low);
  EXPECT_EQ(resource.fixed.dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(resource.fixed.dwFileFlags & resource.fixed.dwFileFlagsMask, 0u) << "no debug or pre-release flag";

  ASSERT_EQ(resource.translations.size(), 1u);
  EXPECT_EQ(resource.translations[0].first, 0x0804) << "Chinese (PRC)";
  EXPECT_EQ(resource.translations[0].second, 936) << "code page of the strings";
  EXPECT_EQ(resource.table, "080403a8");

  EXPECT_EQ(resource.strings["FileDescription"], description);
  EXPECT_EQ(resource.strings["FileVersion"], PRODUCT_VERSION_TEXT);
  EXPECT_EQ(resource.strings["ProductVersion"], PRODUCT_VERSION_TEXT);
  EXPECT_EQ(resource.strings["ProductName"], kVersionProductName);
  EXPECT_EQ(resource.strings["InternalName"], internalName);
  EXPECT_EQ(resource.strings["OriginalFilename"], internalName + ".exe");
  EXPECT_EQ(resource.strings["LegalCopyright"], kVersionCopyright);
}
