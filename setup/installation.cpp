// The installation sequence.  Each step runs whatever the outcome of the
// ones before it; failures are silent and leave the exit code at 0.
#include <string>

#include "setup/setup.h"
#include "setup/trace.h"

bool InstallPrinter(const SpoolerClient& spooler, const char* sourceDirectory, const char* driverDirectory) {
  // Without a known driver directory the files would land in an undefined
  // place and the driver record would name files that are not there; removing
  // the earlier printer then would leave the machine with none.  Stop and
  // leave the earlier installation working.  The same holds for a source
  // folder that cannot be named: none of its files could be copied.
  if (driverDirectory == nullptr || sourceDirectory == nullptr) return false;
  SpoolerNames names;
  if (!ConvertSpoolerNames(&names)) {
    TraceStepFailure(SETUP_TRACE_FIXED_TEXTS, GetLastError());
    return false;
  }
  DriverFilePaths paths;
  if (!BuildDriverFilePaths(sourceDirectory, driverDirectory, &paths)) {
    TraceStepFailure(SETUP_TRACE_PATH_TOO_LONG, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }

  CopyDriverFiles(paths);
  RemoveEarlierInstallation(spooler, names);
  RegisterPrinter(spooler, names, paths);
  CallSpoolerOrdinal202(spooler, names.printer);
  return true;
}

int RunInstallation(int argc, wchar_t** argv) {
  if (argc < 2) return -1;

  // For all file and spooler work, up to the last spooler call.
  void* redirection = DisableFsRedirection();
  EndProductProcess();
  // The source folder as the user gave it; its files are copied with the A
  // functions, by its exact spelling or its short form.
  std::string sourceDirectory;
  const bool haveSource = NameFolderForAnsiCalls(argv[1], SETUP_TRACE_UNNAMED_SOURCE, &sourceDirectory);
  // Without the system's spooler client nothing can be registered, and the
  // files would be copied for a driver nobody adds.
  SpoolerClient spooler;
  if (LoadSpoolerClient(&spooler)) {
    char driverDirectory[MAX_PATH];
    const bool haveDirectory = QueryDriverDirectory(spooler, driverDirectory);
    InstallPrinter(spooler, haveSource ? sourceDirectory.c_str() : nullptr, haveDirectory ? driverDirectory : nullptr);
  }
  RevertFsRedirection(redirection);
  return 0;
}
