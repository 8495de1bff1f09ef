// Replacing the spooler registrations: the earlier printer, driver and
// monitor go, then monitor with its port, driver and printer come back.
#include "setup/setup.h"
#include "setup/texts.h"

bool QueryDriverDirectory(char* directory) {
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), MAX_PATH,
                                  &needed)) {
    directory[0] = '\0';
    return false;
  }
  // An empty answer would put the files at the root of the current drive.
  return directory[0] != '\0';
}

void RemoveEarlierInstallation() {
  PRINTER_DEFAULTSA defaults;
  FillOpenDefaults(&defaults);
  HANDLE printer = nullptr;
  if (OpenPrinterA(const_cast<char*>(kPrinterName), &printer, &defaults)) {
    DeletePrinter(printer);
    ClosePrinter(printer);
  }
  // The driver is still in use while its printer exists, and the monitor
  // while the printer's port does: hence this order.  Either may be absent.
  DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(kPrinterName));
  DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName));
}

void RegisterPrinter(const DriverFilePaths& paths) {
  MONITOR_INFO_2A monitor;
  FillMonitorRecord(&monitor);
  // Without its monitor the port cannot exist; a monitor that is still
  // registered (its deletion refused) keeps the port it already provides.
  if (AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) {
    AddPortA(nullptr, nullptr, const_cast<char*>(kMonitorName));
  }

  char dependentFiles[kDependentFilesCapacity];
  FillDependentFiles(dependentFiles);
  DRIVER_INFO_3A driver;
  FillDriverRecord(paths, dependentFiles, &driver);
  AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver));

  PRINTER_INFO_2A printerRecord;
  FillPrinterRecord(&printerRecord);
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printerRecord));
  if (printer) ClosePrinter(printer);
}

bool CallSpoolerOrdinal202(const char* printerName) {
  using Ordinal202Proc = BOOL(WINAPI*)(const char*);
  // The export has no name, only its ordinal.
  HMODULE spooler = GetModuleHandleA(kSpoolerLibrary);
  if (!spooler) spooler = LoadLibraryA(kSpoolerLibrary);
  if (!spooler) return false;
  auto call = reinterpret_cast<Ordinal202Proc>(
      reinterpret_cast<void*>(GetProcAddress(spooler, MAKEINTRESOURCEA(202))));
  if (!call) return false;
  call(printerName);  // its result decides nothing
  return true;
}
