// What the spooler reports about the product's printer, read back through
// its own enumerations (EnumMonitorsA, EnumPortsA, EnumPrinterDriversA,
// EnumPrintersA).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct InstalledDriver {
  DWORD version;
  std::string name, environment, driverPath, dataFile, configFile, helpFile, monitorName,
      defaultDataType;
  std::vector<std::string> dependentFiles;
};

struct InstalledPrinter {
  std::string name, port, driver, printProcessor, dataType;
  DWORD attributes;
};

std::string DriverDirectory();
std::string SystemDirectory();

// Library of the monitor registered under name (EnumMonitorsA level 2), or
// false when it is not registered.
bool FindMonitor(const std::string& name, std::string* library);
bool PortListed(const std::string& name);                           // EnumPortsA level 2
bool FindDriver(const std::string& name, InstalledDriver* driver);  // EnumPrinterDriversA level 3
std::vector<InstalledPrinter> PrintersNamed(const std::string& name);  // EnumPrintersA level 2

// The same read back as Unicode, whatever this process's code page: the
// driver of the printer of that name (EnumPrintersW level 2), or false; and
// whether a driver of that name is listed (EnumPrinterDriversW level 1).
bool FindPrinterW(const std::wstring& name, std::wstring* driver);
bool DriverListedW(const std::wstring& name);
