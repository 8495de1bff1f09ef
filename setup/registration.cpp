// Replacing the spooler registrations: the earlier printer, driver and
// monitor go, then monitor with its port, driver and printer come back.
#include "setup/setup.h"
#include "setup/texts.h"
#include "setup/trace.h"

bool QueryDriverDirectory(char* directory) {
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), MAX_PATH,
                                  &needed)) {
    TraceStepFailure(SETUP_TRACE_DRIVER_DIRECTORY, GetLastError());
    directory[0] = '\0';
    return false;
  }
  // An empty answer would put the files at the root of the current drive.
  if (directory[0] == '\0') {
    TraceStepFailure(SETUP_TRACE_DRIVER_DIRECTORY, ERROR_PATH_NOT_FOUND);
    return false;
  }
  return true;
}

void RemoveEarlierInstallation() {
  PRINTER_DEFAULTSA defaults;
  FillOpenDefaults(&defaults);
  HANDLE printer = nullptr;
  if (OpenPrinterA(const_cast<char*>(kPrinterName), &printer, &defaults)) {
    if (!DeletePrinter(printer)) TraceStepFailure(SETUP_TRACE_DELETE_PRINTER, GetLastError());
    ClosePrinter(printer);
  } else {
    TraceStepFailure(SETUP_TRACE_OPEN_OLD_PRINTER, GetLastError());
  }
  // The driver is still in use while its printer exists, and the monitor
  // while the printer's port does: hence this order.  Either may be absent.
  if (!DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(kPrinterName))) {
    TraceStepFailure(SETUP_TRACE_DELETE_DRIVER, GetLastError());
  }
  if (!DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
    TraceStepFailure(SETUP_TRACE_DELETE_MONITOR, GetLastError());
  }
}

void RegisterPrinter(const DriverFilePaths& paths) {
  MONITOR_INFO_2A monitor;
  FillMonitorRecord(&monitor);
  // Without its monitor the port cannot exist; a monitor that is still
  // registered (its deletion refused) keeps the port it already provides.
  if (AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) {
    if (!AddPortA(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
      TraceStepFailure(SETUP_TRACE_ADD_PORT, GetLastError());
    }
  } else {
    TraceStepFailure(SETUP_TRACE_ADD_MONITOR, GetLastError());
  }

  char dependentFiles[kDependentFilesCapacity];
  FillDependentFiles(dependentFiles);
  DRIVER_INFO_3A driver;
  FillDriverRecord(paths, dependentFiles, &driver);
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) {
    TraceStepFailure(SETUP_TRACE_ADD_DRIVER, GetLastError());
  }

  PRINTER_INFO_2A printerRecord;
  FillPrinterRecord(&printerRecord);
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printerRecord));
  if (printer) {
    ClosePrinter(printer);
  } else {
    TraceStepFailure(SETUP_TRACE_ADD_PRINTER, GetLastError());
  }
}

bool CallSpoolerOrdinal202(const char* printerName) {
  using Ordinal202Proc = BOOL(WINAPI*)(const char*);
  // The export has no name, only its ordinal.
  HMODULE spooler = GetModuleHandleA(kSpoolerLibrary);
  if (!spooler) spooler = LoadLibraryA(kSpoolerLibrary);
  if (!spooler) {
    TraceStepFailure(SETUP_TRACE_ORDINAL_202, GetLastError());
    return false;
  }
  auto call = reinterpret_cast<Ordinal202Proc>(
      reinterpret_cast<void*>(GetProcAddress(spooler, MAKEINTRESOURCEA(202))));
  if (!call) {
    TraceStepFailure(SETUP_TRACE_ORDINAL_202, GetLastError());
    return false;
  }
  // Its result decides nothing; a refusal is only worth a trace.
  if (!call(printerName)) TraceStepFailure(SETUP_TRACE_ORDINAL_202, GetLastError());
  return true;
}
