// The records handed to the spooler.  The 8-bit spooler records declare their
// strings as writable (LPSTR) although the spooler only reads them, hence the
// casts of the constant texts.
#include <cstring>

#include "setup/setup.h"
#include "setup/texts.h"

namespace {

char* SpoolerText(const char* text) { return const_cast<char*>(text); }

}  // namespace

void FillDependentFiles(char* block) {
  std::memset(block, 0, kDependentFilesCapacity);
  // Bare names: the spooler looks for dependent files beside the driver.
  // The cleared byte after the last name ends the list.
  char* next = block;
  for (int i = kDriverFileConfig + 1; i < kDriverFileCount; ++i) {
    const char* name = kDriverFiles[i].suffix + 1;  // without the separator
    const size_t size = std::strlen(name) + 1;
    std::memcpy(next, name, size);
    next += size;
  }
}

void FillOpenDefaults(PRINTER_DEFAULTSA* defaults) {
  std::memset(defaults, 0, sizeof *defaults);
  defaults->DesiredAccess = PRINTER_ALL_ACCESS;
}

void FillMonitorRecord(MONITOR_INFO_2A* monitor) {
  std::memset(monitor, 0, sizeof *monitor);
  monitor->pName = SpoolerText(kMonitorName);
  monitor->pDLLName = SpoolerText(kMonitorLibrary);
}

void FillDriverRecord(const DriverFilePaths& paths, char* dependentFiles, DRIVER_INFO_3A* driver) {
  std::memset(driver, 0, sizeof *driver);
  driver->cVersion = 3;
  driver->pName = SpoolerText(kPrinterName);
  driver->pDriverPath = SpoolerText(paths.destination[kDriverFileDriver]);
  driver->pDataFile = SpoolerText(paths.destination[kDriverFileData]);
  driver->pConfigFile = SpoolerText(paths.destination[kDriverFileConfig]);
  driver->pDependentFiles = dependentFiles;
  driver->pDefaultDataType = SpoolerText(kDataType);
}

void FillPrinterRecord(PRINTER_INFO_2A* printer) {
  std::memset(printer, 0, sizeof *printer);
  printer->pPrinterName = SpoolerText(kPrinterName);
  printer->pPortName = SpoolerText(kPortName);
  printer->pDriverName = SpoolerText(kPrinterName);
  printer->pPrintProcessor = SpoolerText(kPrintProcessor);
  printer->pDatatype = SpoolerText(kDataType);
  printer->Attributes = PRINTER_ATTRIBUTE_DEFAULT;
}
