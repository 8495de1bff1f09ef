// printersetup.exe /uninstall: the removal the installation does first, then
// the product's own files, then a look at what is left, through the
// spooler's own lists, so that the exit code says what the machine holds.
#include "setup/setup.h"
#include "setup/spooler_lists.h"
#include "setup/texts.h"
#include "setup/trace.h"

namespace {

constexpr wchar_t kRemovalWord[] = L"/uninstall";

// The spooler keeps a version-3 driver's files in this subdirectory of the
// printer-driver directory, copied there when the driver is added.
constexpr char kVersion3Directory[] = "\\3";

// False, with a trace, when the list holds name or cannot be read.
template <typename Enumerate, typename Char>
bool AbsentFrom(const char* what, Enumerate enumerate, size_t stride, const Char* name) {
  NameList list;
  if (!ReadNameList(enumerate, stride, &list)) {
    TraceStepFailureDetail(SETUP_TRACE_LIST_UNREADABLE, what, GetLastError());
    return false;
  }
  if (!ListHolds(list, name)) return true;
  TraceStepFailureDetail(SETUP_TRACE_LEFT_BEHIND, what, ERROR_ALREADY_EXISTS);
  return false;
}

bool IsProductFile(const DriverFile& file) { return file.rule == CopyRule::kAlways; }

// Calls visit(path) for each of the product's files in directory; false when
// a path does not fit.
template <typename Visit>
bool ForEachProductFile(const char* directory, Visit visit) {
  bool fit = true;
  for (const DriverFile& file : kDriverFiles) {
    if (!IsProductFile(file)) continue;
    char path[MAX_PATH];
    if (!ComposePath(directory, file.suffix, path)) {
      TraceStepFailureDetail(SETUP_TRACE_PATH_TOO_LONG, file.suffix + 1, ERROR_FILENAME_EXCED_RANGE);
      fit = false;
      continue;
    }
    visit(path);
  }
  return fit;
}

// The spooler's version-3 copy of the printer-driver directory.
bool VersionDirectory(const char* driverDirectory, char* directory) {
  return ComposePath(driverDirectory, kVersion3Directory, directory);
}

void DeleteProductFiles(const char* directory) {
  ForEachProductFile(directory, [](const char* path) {
    if (DeleteFileA(path)) return;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      TraceStepFailureDetail(SETUP_TRACE_DELETE_FILE, path, error);
    }
  });
}

bool NoProductFileIn(const char* directory) {
  bool none = true;
  const bool fit = ForEachProductFile(directory, [&none](const char* path) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
    TraceStepFailureDetail(SETUP_TRACE_LEFT_BEHIND, path, ERROR_FILE_EXISTS);
    none = false;
  });
  return fit && none;
}

// What of the product the spooler and the driver directory still hold, each
// looked up through the spooler's own lists.  driverDirectory is NULL when
// the spooler named none: the files cannot be looked for.  True when nothing
// is left; each thing left, and each list that could not be read, is traced.
bool NothingOfProductLeft(const SpoolerClient& spooler, const SpoolerNames& names, const char* driverDirectory) {
  bool nothing = AbsentFrom(
      "printer",
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 4, records, capacity, needed, count);
      },
      sizeof(PRINTER_INFO_4W), names.printer.c_str());
  nothing &= AbsentFrom(
      "printer driver",
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumPrinterDrivers(nullptr, nullptr, 1, records, capacity, needed, count);
      },
      sizeof(DRIVER_INFO_1W), names.printer.c_str());
  nothing &= AbsentFrom(
      "port monitor",
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumMonitors(nullptr, 1, records, capacity, needed, count);
      },
      sizeof(MONITOR_INFO_1A), kMonitorName);
  nothing &= AbsentFrom(
      "port",
      [&spooler](BYTE* records, DWORD capacity, DWORD* needed, DWORD* count) {
        return spooler.enumPorts(nullptr, 1, records, capacity, needed, count);
      },
      sizeof(PORT_INFO_1A), kPortName);

  if (driverDirectory == nullptr) return false;  // the files cannot be looked for
  char versionDirectory[MAX_PATH];
  nothing &= NoProductFileIn(driverDirectory);
  nothing &= VersionDirectory(driverDirectory, versionDirectory) && NoProductFileIn(versionDirectory);
  return nothing;
}

}  // namespace

bool IsRemovalCommandLine(int argc, wchar_t** argv) {
  return argc == 2 && SameTextAsciiCaseBlind(argv[1], kRemovalWord);
}

int RunRemoval() {
  // As for the installation: the 64-bit driver directory, whatever the build.
  void* redirection = DisableFsRedirection();
  bool nothingLeft = false;
  SpoolerClient spooler;
  SpoolerNames names;
  if (!ConvertSpoolerNames(&names)) {
    TraceStepFailure(SETUP_TRACE_FIXED_TEXTS, GetLastError());
  } else if (LoadSpoolerClient(&spooler)) {
    char driverDirectory[MAX_PATH];
    const bool haveDirectory = QueryDriverDirectory(spooler, driverDirectory);
    RemoveEarlierInstallation(spooler, names);
    // Only once printer and driver are gone: until then the spooler may hold
    // the driver's files open.
    char versionDirectory[MAX_PATH];
    if (haveDirectory) {
      DeleteProductFiles(driverDirectory);
      if (VersionDirectory(driverDirectory, versionDirectory)) DeleteProductFiles(versionDirectory);
    }
    nothingLeft = NothingOfProductLeft(spooler, names, haveDirectory ? driverDirectory : nullptr);
  }
  RevertFsRedirection(redirection);
  return nothingLeft ? 0 : -1;
}
