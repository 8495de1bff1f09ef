// A program's version resource as Windows reads it (GetFileVersionInfoA,
// VerQueryValueA): the fixed numbers, the translations and the strings of
// the table the first translation names.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct VersionResource {
  VS_FIXEDFILEINFO fixed;
  // Each translation as language and code page.
  std::vector<std::pair<WORD, WORD>> translations;
  // The string table's name ("080403a8") and its values, in the ANSI code
  // page of the reading process.
  std::string table;
  std::map<std::string, std::string> strings;
};

// False, with the Windows error code kept, when the program has no version
// resource or no translation.
bool ReadVersionResource(const std::string& program, VersionResource* resource);

// The named values read from the string table.
extern const char* const kVersionStringNames[7];
