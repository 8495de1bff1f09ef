// The spooler client, bound at run time from the system's own winspool.drv.
// Loading it from the system directory only (by the search flag, or by full
// path) skips the program's folder and the current directory, where a
// planted copy would come first for a DLL that is not one of Windows' known
// DLLs.
#include <string>

#include "setup/setup.h"
#include "setup/texts.h"
#include "setup/trace.h"

namespace {

// Binds one export by name or ordinal; a missing one is traced by its name.
template <typename Function>
bool Bind(HMODULE library, const char* export_, const char* shownName, Function* slot) {
  *slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, export_)));
  if (*slot == nullptr) TraceStepFailureDetail(SETUP_TRACE_BIND_SPOOLER, shownName, GetLastError());
  return *slot != nullptr;
}

template <typename Function>
bool Bind(HMODULE library, const char* name, Function* slot) {
  return Bind(library, name, name, slot);
}

// The system directory's winspool.drv, NULL when it cannot be loaded.
HMODULE LoadSystemSpooler() {
  const SpoolerLoad load = ChooseSpoolerLoad(FindSetDefaultDllDirectories() != nullptr);
  if (!load.byFullPath) {
    HMODULE library = LoadLibraryExW(L"winspool.drv", nullptr, load.flags);
    if (library == nullptr) TraceStepFailureDetail(SETUP_TRACE_LOAD_SPOOLER, kSpoolerLibrary, GetLastError());
    return library;
  }
  wchar_t wide[MAX_PATH];
  const UINT length = GetSystemDirectoryW(wide, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    TraceStepFailure(SETUP_TRACE_SYSTEM_DIRECTORY, length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  std::string directory;
  if (!NameFolderForAnsiCalls(wide, SETUP_TRACE_UNNAMED_SYSTEM_DIRECTORY, &directory)) return nullptr;
  const std::string path = directory + "\\" + kSpoolerLibrary;
  if (path.size() >= MAX_PATH) {
    TraceStepFailure(SETUP_TRACE_SYSTEM_DIRECTORY, ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  // winspool.drv's own imports are then looked for beside it, in the system
  // directory, before the program's folder.
  HMODULE library = LoadLibraryExA(path.c_str(), nullptr, load.flags);
  if (library == nullptr) TraceStepFailureDetail(SETUP_TRACE_LOAD_SPOOLER, path.c_str(), GetLastError());
  return library;
}

// An export the installation can do without: NULL when missing, traced.
template <typename Function>
void BindOptional(HMODULE library, const char* export_, const char* shownName, Function* slot) {
  *slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, export_)));
  if (*slot == nullptr) TraceStepFailureDetail(SETUP_TRACE_OPTIONAL_SPOOLER, shownName, GetLastError());
}

}  // namespace

bool LoadSpoolerClient(SpoolerClient* spooler, DWORD* error) {
  *spooler = SpoolerClient{};
  HMODULE library = LoadSystemSpooler();
  if (library == nullptr) {
    if (error != nullptr) *error = ERROR_MOD_NOT_FOUND;
    return false;
  }
  // Every function is bound, so one trace names everything that is missing.
  bool bound = Bind(library, "GetPrinterDriverDirectoryW", &spooler->getPrinterDriverDirectory);
  bound &= Bind(library, "OpenPrinterW", &spooler->openPrinter);
  bound &= Bind(library, "ClosePrinter", &spooler->closePrinter);
  bound &= Bind(library, "DeletePrinter", &spooler->deletePrinter);
  bound &= Bind(library, "DeletePrinterDriverW", &spooler->deletePrinterDriver);
  bound &= Bind(library, "DeleteMonitorA", &spooler->deleteMonitor);
  bound &= Bind(library, "AddMonitorA", &spooler->addMonitor);
  bound &= Bind(library, "AddPortA", &spooler->addPort);
  bound &= Bind(library, "AddPrinterDriverW", &spooler->addPrinterDriver);
  bound &= Bind(library, "AddPrinterW", &spooler->addPrinter);
  bound &= Bind(library, "EnumPrintersW", &spooler->enumPrinters);
  bound &= Bind(library, "EnumPrinterDriversW", &spooler->enumPrinterDrivers);
  bound &= Bind(library, "EnumMonitorsA", &spooler->enumMonitors);
  bound &= Bind(library, "EnumPortsA", &spooler->enumPorts);
  // Only the default printer needs these; the export 202 has no name.
  BindOptional(library, "SetDefaultPrinterW", "SetDefaultPrinterW", &spooler->setDefaultPrinter);
  BindOptional(library, MAKEINTRESOURCEA(202), "ordinal 202", &spooler->ordinal202);
  if (!bound && error != nullptr) *error = ERROR_PROC_NOT_FOUND;
  return bound;
}
