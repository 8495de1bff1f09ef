// What the spooler and the printer-driver directory hold, read back through
// the spooler's own enumerations, and the clean slate every installing test
// starts from and leaves behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/spoolinfo/spooler_readback.h"

// The six driver files by bare name, in the installer's order.
extern const char* const kDriverFileNames[6];

// Puts the stand-in monitor library where the spooler loads monitors from.
bool InstallStandInMonitorLibrary();
bool RemoveStandInMonitorLibrary();

// Deletes the printer of that name and its driver, if they are there.
void DeletePrinterAndDriver(const char* printerName, const char* driverName);

// Deletes the product printer, driver and monitor and the six files (in the
// driver directory and in the spooler's version-3 copy of it).
void RemoveProductInstallation();

std::string ReadWholeFile(const std::string& path);
std::string ReadWholeFileW(const std::wstring& path);
bool WriteWholeFile(const std::string& path, const std::string& content);
bool WriteWholeFileW(const std::wstring& path, const std::string& content);

// The content a stand-in driver file gets in a source directory: tag and name,
// so every copy shows where it came from.
std::string StandInContent(const std::string& tag, const std::string& fileName);
// Writes the six stand-in driver files into directory.
bool WriteStandInDriverFiles(const std::string& directory, const std::string& tag);
