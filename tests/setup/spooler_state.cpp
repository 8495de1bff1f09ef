#include "tests/setup/spooler_state.h"

#include <winspool.h>

#include <cstring>

#include "setup/texts.h"
#include "tests/setup/child_process.h"

const char* const kDriverFileNames[6] = {"PSCRIPT5.DLL", "velmo.ppd",  "PS5UI.DLL",
                                         "velmops.dll",  "velmo.ini", "velmo.inf"};

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

bool InstallStandInMonitorLibrary() {
  const std::string target = SystemDirectory() + "\\" + kMonitorLibrary;
  if (CopyFileA((BinaryDirectory() + "\\" + kMonitorLibrary).c_str(), target.c_str(), FALSE)) return true;
  // A process that still has it loaded keeps it from being replaced; the
  // same build's copy is then already there.
  return GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveStandInMonitorLibrary() {
  return DeleteFileA((SystemDirectory() + "\\" + kMonitorLibrary).c_str()) != FALSE;
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

void RemoveProductInstallation() {
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (OpenPrinterA(const_cast<char*>(kPrinterName), &printer, &defaults)) {
    DeletePrinter(printer);
    ClosePrinter(printer);
  }
  DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(kPrinterName));
  DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName));
  const std::string directory = DriverDirectory();
  for (const char* file : kDriverFileNames) {
    // A test may have put a directory in a file's place.
    RemoveDirectoryA((directory + "\\" + file).c_str());
    DeleteFileA((directory + "\\" + file).c_str());
    DeleteFileA((directory + "\\3\\" + file).c_str());
  }
}

std::string ReadWholeFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) content.append(chunk, read);
  CloseHandle(file);
  return content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size();
  CloseHandle(file);
  return ok;
}

std::string StandInContent(const std::string& tag, const std::string& fileName) {
  return "stand-in " + fileName + " from " + tag;
}

bool WriteStandInDriverFiles(const std::string& directory, const std::string& tag) {
  for (const char* file : kDriverFileNames) {
    if (!WriteWholeFile(directory + "\\" + file, StandInContent(tag, file))) return false;
  }
  return true;
}
