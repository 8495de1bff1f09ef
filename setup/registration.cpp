// Replacing the spooler registrations: the earlier printer, driver and
// monitor go, then monitor with its port, driver and printer come back.
#include "setup/setup.h"
#include "setup/texts.h"
#include "setup/trace.h"

bool QueryDriverDirectory(const SpoolerClient& spooler, char* directory) {
  DWORD needed = 0;
  if (!spooler.getPrinterDriverDirectory(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), MAX_PATH,
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

void RemoveEarlierInstallation(const SpoolerClient& spooler) {
  PRINTER_DEFAULTSA defaults;
  FillOpenDefaults(&defaults);
  HANDLE printer = nullptr;
  if (spooler.openPrinter(const_cast<char*>(kPrinterName), &printer, &defaults)) {
    if (!spooler.deletePrinter(printer)) TraceStepFailure(SETUP_TRACE_DELETE_PRINTER, GetLastError());
    spooler.closePrinter(printer);
  } else {
    TraceStepFailure(SETUP_TRACE_OPEN_OLD_PRINTER, GetLastError());
  }
  // The driver is still in use while its printer exists, and the monitor
  // while the printer's port does: hence this order.  Either may be absent.
  if (!spooler.deletePrinterDriver(nullptr, nullptr, const_cast<char*>(kPrinterName))) {
    TraceStepFailure(SETUP_TRACE_DELETE_DRIVER, GetLastError());
  }
  if (!spooler.deleteMonitor(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
    TraceStepFailure(SETUP_TRACE_DELETE_MONITOR, GetLastError());
  }
}

void RegisterPrinter(const SpoolerClient& spooler, const DriverFilePaths& paths) {
  MONITOR_INFO_2A monitor;
  FillMonitorRecord(&monitor);
  // Without its monitor the port cannot exist; a monitor that is still
  // registered (its deletion refused) keeps the port it already provides.
  if (spooler.addMonitor(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) {
    if (!spooler.addPort(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
      TraceStepFailure(SETUP_TRACE_ADD_PORT, GetLastError());
    }
  } else {
    TraceStepFailure(SETUP_TRACE_ADD_MONITOR, GetLastError());
  }

  char dependentFiles[kDependentFilesCapacity];
  FillDependentFiles(dependentFiles);
  DRIVER_INFO_3A driver;
  FillDriverRecord(paths, dependentFiles, &driver);
  if (!spooler.addPrinterDriver(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) {
    TraceStepFailure(SETUP_TRACE_ADD_DRIVER, GetLastError());
  }

  PRINTER_INFO_2A printerRecord;
  FillPrinterRecord(&printerRecord);
  HANDLE printer = spooler.addPrinter(nullptr, 2, reinterpret_cast<BYTE*>(&printerRecord));
  if (printer) {
    spooler.closePrinter(printer);
  } else {
    TraceStepFailure(SETUP_TRACE_ADD_PRINTER, GetLastError());
  }
}

void CallSpoolerOrdinal202(const SpoolerClient& spooler, const char* printerName) {
  // Its result decides nothing; a refusal is only worth a trace.
  if (!spooler.ordinal202(printerName)) TraceStepFailure(SETUP_TRACE_ORDINAL_202, GetLastError());
}
