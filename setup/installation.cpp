// The installation sequence.  Each step runs whatever the outcome of the
// ones before it; failures are silent and leave the exit code at 0.
#include "setup/setup.h"
#include "setup/texts.h"
#include "setup/trace.h"

bool InstallPrinter(const SpoolerClient& spooler, const char* sourceDirectory, const char* driverDirectory) {
  // Without a known driver directory the files would land in an undefined
  // place and the driver record would name files that are not there; removing
  // the earlier printer then would leave the machine with none.  Stop and
  // leave the earlier installation working.
  if (driverDirectory == nullptr) return false;
  DriverFilePaths paths;
  if (!BuildDriverFilePaths(sourceDirectory, driverDirectory, &paths)) {
    TraceStepFailure(SETUP_TRACE_PATH_TOO_LONG, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }

  CopyDriverFiles(paths);
  RemoveEarlierInstallation(spooler);
  RegisterPrinter(spooler, paths);
  CallSpoolerOrdinal202(spooler, kPrinterName);
  return true;
}

int RunInstallation(int argc, char** argv) {
  if (argc < 2) return -1;

  // For all file and spooler work, up to the last spooler call.
  void* redirection = DisableFsRedirection();
  EndProductProcess();
  // Without the system's spooler client nothing can be registered, and the
  // files would be copied for a driver nobody adds.
  SpoolerClient spooler;
  if (LoadSpoolerClient(&spooler)) {
    char driverDirectory[MAX_PATH];
    const bool haveDirectory = QueryDriverDirectory(spooler, driverDirectory);
    InstallPrinter(spooler, argv[1], haveDirectory ? driverDirectory : nullptr);
  }
  RevertFsRedirection(redirection);
  return 0;
}
