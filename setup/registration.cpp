// Replacing the spooler registrations: the earlier printer, driver and
// monitor go, then monitor with its port, driver and printer come back.
#include <cstring>
#include <string>

#include "setup/code_pages.h"
#include "setup/setup.h"
#include "setup/texts.h"
#include "setup/trace.h"

bool QueryDriverDirectory(const SpoolerClient& spooler, char* directory, DWORD* error) {
  directory[0] = '\0';
  DWORD unused = ERROR_SUCCESS;
  if (error == nullptr) error = &unused;
  wchar_t wide[MAX_PATH] = L"";
  DWORD needed = 0;
  if (!spooler.getPrinterDriverDirectory(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(wide), sizeof wide, &needed)) {
    *error = GetLastError();
    TraceStepFailure(SETUP_TRACE_DRIVER_DIRECTORY, *error);
    return false;
  }
  // An empty answer would put the files at the root of the current drive.
  if (wide[0] == L'\0') {
    *error = ERROR_PATH_NOT_FOUND;
    TraceStepFailure(SETUP_TRACE_DRIVER_DIRECTORY, *error);
    return false;
  }
  std::string ansi;
  if (!NameFolderForAnsiCalls(wide, SETUP_TRACE_UNNAMED_DRIVER_DIRECTORY, &ansi)) {
    *error = ERROR_NO_UNICODE_TRANSLATION;
    return false;
  }
  if (ansi.size() >= MAX_PATH) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    TraceStepFailureWide(SETUP_TRACE_UNNAMED_DRIVER_DIRECTORY, wide, *error);
    return false;
  }
  std::memcpy(directory, ansi.c_str(), ansi.size() + 1);
  return true;
}

void RemoveEarlierInstallation(const SpoolerClient& spooler, const SpoolerNames& names) {
  PRINTER_DEFAULTSW defaults;
  FillOpenDefaults(&defaults);
  HANDLE printer = nullptr;
  wchar_t* printerName = const_cast<wchar_t*>(names.printer.c_str());
  if (spooler.openPrinter(printerName, &printer, &defaults)) {
    if (!spooler.deletePrinter(printer)) TraceStepFailure(SETUP_TRACE_DELETE_PRINTER, GetLastError());
    spooler.closePrinter(printer);
  } else {
    TraceStepFailure(SETUP_TRACE_OPEN_OLD_PRINTER, GetLastError());
  }
  // The driver is still in use while its printer exists, and the monitor
  // while the printer's port does: hence this order.  Either may be absent.
  if (!spooler.deletePrinterDriver(nullptr, nullptr, printerName)) {
    TraceStepFailure(SETUP_TRACE_DELETE_DRIVER, GetLastError());
  }
  if (!spooler.deleteMonitor(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
    TraceStepFailure(SETUP_TRACE_DELETE_MONITOR, GetLastError());
  }
}

void RegisterPrinter(const SpoolerClient& spooler, const SpoolerNames& names, const DriverFilePaths& paths,
                     InstallationSteps* steps) {
  MONITOR_INFO_2A monitor;
  FillMonitorRecord(&monitor);
  // Without its monitor the port cannot exist; a monitor that is still
  // registered (its deletion refused) keeps the port it already provides.
  if (spooler.addMonitor(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) {
    if (!spooler.addPort(nullptr, nullptr, const_cast<char*>(kMonitorName))) {
      steps->addPort = GetLastError();
      TraceStepFailure(SETUP_TRACE_ADD_PORT, steps->addPort);
    }
  } else {
    steps->addMonitor = GetLastError();
    TraceStepFailure(SETUP_TRACE_ADD_MONITOR, steps->addMonitor);
  }

  WideDriverFiles files;
  WidenDriverFiles(paths, &files);
  DRIVER_INFO_3W driver;
  FillDriverRecord(names, files, &driver);
  if (!spooler.addPrinterDriver(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) {
    steps->addDriver = GetLastError();
    TraceStepFailure(SETUP_TRACE_ADD_DRIVER, steps->addDriver);
  }

  PRINTER_INFO_2W printerRecord;
  FillPrinterRecord(names, &printerRecord);
  HANDLE printer = spooler.addPrinter(nullptr, 2, reinterpret_cast<BYTE*>(&printerRecord));
  if (printer) {
    spooler.closePrinter(printer);
  } else {
    steps->addPrinter = GetLastError();
    TraceStepFailure(SETUP_TRACE_ADD_PRINTER, steps->addPrinter);
  }
}
