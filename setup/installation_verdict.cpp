// The read-back after the last step: what the spooler and the folders hold,
// compared with what the installation makes, the way the removal looks for
// what it left.  The steps' own errors say why a thing is missing; where a
// step reported success and the thing is missing all the same (Wine's
// spooler lists a driver whose files are not there; a monitor that provides
// no port), the thing's own "unknown" code says it.
#include <string>

#include "setup/code_pages.h"
#include "setup/setup.h"
#include "setup/spooler_lists.h"
#include "setup/texts.h"

namespace {

// The step's error when it failed, else why the list could not be read,
// else the code for a thing that is not there.
DWORD Why(DWORD stepError, DWORD listError, DWORD notThere) {
  if (stepError != ERROR_SUCCESS) return stepError;
  return listError != ERROR_SUCCESS ? listError : notThere;
}

bool IsFile(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFile(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A list read; its error is 0 when it could be read.
template <typename Enumerate>
DWORD ReadList(Enumerate enumerate, size_t stride, NameList* list) {
  if (ReadNameList(enumerate, stride, list)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_INSUFFICIENT_BUFFER;
}

void JudgeSourceFolder(const wchar_t* folder, std::vector<Finding>* findings) {
  const DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    findings->push_back({FindingKind::kSourceFolderMissing, folder, GetLastError()});
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    findings->push_back({FindingKind::kSourceFolderMissing, folder, ERROR_DIRECTORY});
  }
}

// Each of the six files must lie in the driver directory; one that does not
// is either nowhere (not in the source folder either) or failed to copy.
void JudgeDriverFiles(const char* sourceDirectory, const char* driverDirectory, const InstallationSteps& steps,
                      std::vector<Finding>* findings) {
  for (int i = 0; i < kDriverFileCount; ++i) {
    const char* suffix = kDriverFiles[i].suffix;
    char destination[MAX_PATH];
    if (!ComposePath(driverDirectory, suffix, destination)) {
      findings->push_back({FindingKind::kDriverDirectoryUnknown, std::wstring(), ERROR_FILENAME_EXCED_RANGE});
      return;
    }
    if (IsFile(destination)) continue;
    char source[MAX_PATH];
    const bool inSource = sourceDirectory != nullptr && ComposePath(sourceDirectory, suffix, source) && IsFile(source);
    const DWORD copyError = steps.copy[i];
    findings->push_back({inSource ? FindingKind::kFileNotCopied : FindingKind::kFileNowhere,
                         WideFromAnsi(suffix + 1), Why(copyError, ERROR_SUCCESS, ERROR_FILE_NOT_FOUND)});
  }
}

void JudgeMonitorAndPort(const SpoolerClient& spooler, const InstallationSteps& steps,
                         std::vector<Finding>* findings) {
  NameList monitors;
  const DWORD monitorsError = ReadList(
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumMonitors(nullptr, 2, records, capacity, needed, count);
      },
      sizeof(MONITOR_INFO_2A), &monitors);
  const MONITOR_INFO_2A* monitor = FindListed(monitors, &MONITOR_INFO_2A::pName, kMonitorName);
  if (monitor == nullptr || monitor->pDLLName == nullptr ||
      !SameTextAsciiCaseBlind(monitor->pDLLName, kMonitorLibrary)) {
    findings->push_back({FindingKind::kMonitorMissing,
                         WideFromAnsi(kMonitorName) + L"\uFF08" + WideFromAnsi(kMonitorLibrary) + L"\uFF09",
                         Why(steps.addMonitor, monitorsError, ERROR_UNKNOWN_PRINT_MONITOR)});
  }
  NameList ports;
  const DWORD portsError = ReadList(
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumPorts(nullptr, 1, records, capacity, needed, count);
      },
      sizeof(PORT_INFO_1A), &ports);
  if (!ListHolds(ports, kPortName)) {
    findings->push_back({FindingKind::kPortMissing, WideFromAnsi(kPortName),
                         Why(steps.addPort, portsError, ERROR_UNKNOWN_PORT)});
  }
}

// The files the spooler names in the driver's record, where it keeps its
// copies (the version-3 subdirectory on Windows); dependent files given by
// bare name lie beside the driver file.
void JudgeSpoolerCopies(const DRIVER_INFO_3W& driver, std::vector<Finding>* findings) {
  std::wstring beside;
  if (driver.pDriverPath != nullptr) {
    beside = driver.pDriverPath;
    beside.resize(beside.find_last_of(L'\\') == std::wstring::npos ? 0 : beside.find_last_of(L'\\') + 1);
  }
  std::vector<std::wstring> paths;
  for (const wchar_t* path : {driver.pDriverPath, driver.pDataFile, driver.pConfigFile}) {
    if (path != nullptr) paths.push_back(path);
  }
  for (const wchar_t* name = driver.pDependentFiles; name != nullptr && *name != L'\0'; name += wcslen(name) + 1) {
    paths.push_back(wcschr(name, L'\\') == nullptr ? beside + name : std::wstring(name));
  }
  for (const std::wstring& path : paths) {
    if (!IsFile(path.c_str())) findings->push_back({FindingKind::kSpoolerCopyMissing, path, ERROR_FILE_NOT_FOUND});
  }
}

void JudgeDriverAndPrinter(const SpoolerClient& spooler, const SpoolerNames& names, const InstallationSteps& steps,
                           bool checkCopies, std::vector<Finding>* findings) {
  NameList drivers;
  const DWORD driversError = ReadList(
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumPrinterDrivers(nullptr, nullptr, 3, records, capacity, needed, count);
      },
      sizeof(DRIVER_INFO_3W), &drivers);
  const DRIVER_INFO_3W* driver = FindListed(drivers, &DRIVER_INFO_3W::pName, names.printer.c_str());
  if (driver == nullptr) {
    findings->push_back({steps.addDriver != ERROR_SUCCESS ? FindingKind::kDriverRefused : FindingKind::kDriverMissing,
                         names.printer, Why(steps.addDriver, driversError, ERROR_UNKNOWN_PRINTER_DRIVER)});
  } else if (checkCopies) {
    JudgeSpoolerCopies(*driver, findings);
  }

  NameList printers;
  const DWORD printersError = ReadList(
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, records, capacity, needed, count);
      },
      sizeof(PRINTER_INFO_2W), &printers);
  const PRINTER_INFO_2W* printer = FindListed(printers, &PRINTER_INFO_2W::pPrinterName, names.printer.c_str());
  const bool onItsDriverAndPort = printer != nullptr && printer->pDriverName != nullptr &&
                                  printer->pPortName != nullptr &&
                                  SameTextAsciiCaseBlind(printer->pDriverName, names.printer.c_str()) &&
                                  SameTextAsciiCaseBlind(printer->pPortName, names.port.c_str());
  if (!onItsDriverAndPort) {
    findings->push_back({steps.addPrinter != ERROR_SUCCESS ? FindingKind::kPrinterRefused : FindingKind::kPrinterMissing,
                         names.printer, Why(steps.addPrinter, printersError, ERROR_INVALID_PRINTER_NAME)});
  }
}

}  // namespace

void JudgeInstallation(const SpoolerClient& spooler, const SpoolerNames& names, const wchar_t* sourceFolder,
                       const char* sourceDirectory, const char* driverDirectory, const InstallationSteps& steps,
                       std::vector<Finding>* findings) {
  JudgeSourceFolder(sourceFolder, findings);
  const size_t before = findings->size();
  if (driverDirectory != nullptr) JudgeDriverFiles(sourceDirectory, driverDirectory, steps, findings);
  // A file missing from the driver directory is missing from the spooler's
  // copies too; one line says it.
  const bool filesThere = driverDirectory != nullptr && findings->size() == before;
  JudgeMonitorAndPort(spooler, steps, findings);
  JudgeDriverAndPrinter(spooler, names, steps, filesThere, findings);
}
