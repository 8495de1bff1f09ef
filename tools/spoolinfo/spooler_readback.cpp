#include "tools/spoolinfo/spooler_readback.h"

#include <winspool.h>

#include <cstring>

namespace {

std::string Text(const char* text) { return text ? text : ""; }

// The spooler's two-call protocol: ask for the size, then fill.
template <typename Enumerate>
std::vector<BYTE> EnumerateAll(Enumerate enumerate, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  enumerate(nullptr, 0, &needed, count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!enumerate(buffer.data(), needed, &needed, count)) *count = 0;
  return buffer;
}

}  // namespace

std::string DriverDirectory() {
  char directory[MAX_PATH] = "";
  DWORD needed = 0;
  GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), MAX_PATH, &needed);
  return directory;
}

std::string SystemDirectory() {
  char directory[MAX_PATH] = "";
  GetSystemDirectoryA(directory, MAX_PATH);
  return directory;
}

bool FindMonitor(const std::string& name, std::string* library) {
  DWORD count;
  std::vector<BYTE> buffer = EnumerateAll(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumMonitorsA(nullptr, 2, data, size, needed, returned);
      },
      &count);
  auto* monitors = reinterpret_cast<MONITOR_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (Text(monitors[i].pName) == name) {
      *library = Text(monitors[i].pDLLName);
      return true;
    }
  }
  return false;
}

bool PortListed(const std::string& name) {
  DWORD count;
  std::vector<BYTE> buffer = EnumerateAll(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPortsA(nullptr, 2, data, size, needed, returned);
      },
      &count);
  auto* ports = reinterpret_cast<PORT_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (Text(ports[i].pPortName) == name) return true;
  }
  return false;
}

bool FindDriver(const std::string& name, InstalledDriver* driver) {
  DWORD count;
  std::vector<BYTE> buffer = EnumerateAll(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrinterDriversA(nullptr, nullptr, 3, data, size, needed, returned);
      },
      &count);
  auto* drivers = reinterpret_cast<DRIVER_INFO_3A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    const DRIVER_INFO_3A& found = drivers[i];
    if (Text(found.pName) != name) continue;
    driver->version = found.cVersion;
    driver->name = Text(found.pName);
    driver->environment = Text(found.pEnvironment);
    driver->driverPath = Text(found.pDriverPath);
    driver->dataFile = Text(found.pDataFile);
    driver->configFile = Text(found.pConfigFile);
    driver->helpFile = Text(found.pHelpFile);
    driver->monitorName = Text(found.pMonitorName);
    driver->defaultDataType = Text(found.pDefaultDataType);
    driver->dependentFiles.clear();
    for (const char* entry = found.pDependentFiles; entry && *entry; entry += std::strlen(entry) + 1) {
      driver->dependentFiles.push_back(entry);
    }
    return true;
  }
  return false;
}

std::vector<InstalledPrinter> PrintersNamed(const std::string& name) {
  DWORD count;
  std::vector<BYTE> buffer = EnumerateAll(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned);
      },
      &count);
  auto* printers = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  std::vector<InstalledPrinter> matching;
  for (DWORD i = 0; i < count; ++i) {
    if (Text(printers[i].pPrinterName) != name) continue;
    matching.push_back({Text(printers[i].pPrinterName), Text(printers[i].pPortName),
                        Text(printers[i].pDriverName), Text(printers[i].pPrintProcessor),
                        Text(printers[i].pDatatype), printers[i].Attributes});
  }
  return matching;
}

bool FindPrinterW(const std::wstring& name, std::wstring* driver) {
  DWORD count;
  std::vector<BYTE> buffer = EnumerateAll(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned);
      },
      &count);
  auto* printers = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (printers[i].pPrinterName == nullptr || name != printers[i].pPrinterName) continue;
    *driver = printers[i].pDriverName ? printers[i].pDriverName : L"";
    return true;
  }
  return false;
}

bool DriverListedW(const std::wstring& name) {
  DWORD count;
  std::vector<BYTE> buffer = EnumerateAll(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrinterDriversW(nullptr, nullptr, 1, data, size, needed, returned);
      },
      &count);
  auto* drivers = reinterpret_cast<DRIVER_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (drivers[i].pName != nullptr && name == drivers[i].pName) return true;
  }
  return false;
}
