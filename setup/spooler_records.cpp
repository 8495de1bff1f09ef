// The records handed to the spooler.  The spooler records declare their
// strings as writable although the spooler only reads them, hence the casts
// of the constant texts.
#include <cstring>

#include "setup/code_pages.h"
#include "setup/setup.h"
#include "setup/texts.h"

namespace {

char* SpoolerText(const char* text) { return const_cast<char*>(text); }
wchar_t* SpoolerText(const std::wstring& text) { return const_cast<wchar_t*>(text.c_str()); }

}  // namespace

bool ConvertSpoolerNames(SpoolerNames* names) {
  names->printer = WideFromGbk(kPrinterName);
  names->port = WideFromGbk(kPortName);
  names->printProcessor = WideFromGbk(kPrintProcessor);
  names->dataType = WideFromGbk(kDataType);
  return !names->printer.empty() && !names->port.empty() && !names->printProcessor.empty() &&
         !names->dataType.empty();
}

void WidenDriverFiles(const DriverFilePaths& paths, WideDriverFiles* files) {
  files->driver = WideFromAnsi(paths.destination[kDriverFileDriver]);
  files->data = WideFromAnsi(paths.destination[kDriverFileData]);
  files->config = WideFromAnsi(paths.destination[kDriverFileConfig]);
  char dependentFiles[kDependentFilesCapacity];
  FillDependentFiles(dependentFiles);
  // The whole cleared block: its embedded terminators end the names and the list.
  files->dependentFiles = WideFromAnsi(dependentFiles, kDependentFilesCapacity);
}

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

void FillOpenDefaults(PRINTER_DEFAULTSW* defaults) {
  std::memset(defaults, 0, sizeof *defaults);
  defaults->DesiredAccess = PRINTER_ALL_ACCESS;
}

void FillMonitorRecord(MONITOR_INFO_2A* monitor) {
  std::memset(monitor, 0, sizeof *monitor);
  monitor->pName = SpoolerText(kMonitorName);
  monitor->pDLLName = SpoolerText(kMonitorLibrary);
}

void FillDriverRecord(const SpoolerNames& names, const WideDriverFiles& files, DRIVER_INFO_3W* driver) {
  std::memset(driver, 0, sizeof *driver);
  driver->cVersion = 3;
  driver->pName = SpoolerText(names.printer);
  driver->pDriverPath = SpoolerText(files.driver);
  driver->pDataFile = SpoolerText(files.data);
  driver->pConfigFile = SpoolerText(files.config);
  driver->pDependentFiles = SpoolerText(files.dependentFiles);
  driver->pDefaultDataType = SpoolerText(names.dataType);
}

void FillPrinterRecord(const SpoolerNames& names, PRINTER_INFO_2W* printer) {
  std::memset(printer, 0, sizeof *printer);
  printer->pPrinterName = SpoolerText(names.printer);
  printer->pPortName = SpoolerText(names.port);
  printer->pDriverName = SpoolerText(names.printer);
  printer->pPrintProcessor = SpoolerText(names.printProcessor);
  printer->pDatatype = SpoolerText(names.dataType);
  printer->Attributes = PRINTER_ATTRIBUTE_DEFAULT;
}
