// The installation sequence.  Each step runs whatever the outcome of the
// ones before it; then what the machine holds decides the exit code, and
// each thing missing gets a line on standard error.
#include <string>
#include <vector>

#include "setup/console_texts.h"
#include "setup/exit_codes.h"
#include "setup/setup.h"
#include "setup/trace.h"

bool InstallPrinter(const SpoolerClient& spooler, const char* sourceDirectory, const char* driverDirectory,
                    InstallationSteps* steps) {
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

  CopyDriverFiles(paths, steps->copy);
  RemoveEarlierInstallation(spooler, names);
  RegisterPrinter(spooler, names, paths, steps);
  MakeDefaultPrinter(spooler, names.printer);
  return true;
}

bool InstallPrinter(const SpoolerClient& spooler, const char* sourceDirectory, const char* driverDirectory) {
  InstallationSteps steps;
  return InstallPrinter(spooler, sourceDirectory, driverDirectory, &steps);
}

namespace {

// The steps and the read-back; the findings say what is missing.
void InstallAndJudge(const wchar_t* sourceFolder, std::vector<Finding>* findings) {
  // The source folder as the user gave it; its files are copied with the A
  // functions, by its exact spelling or its short form.
  std::string sourceDirectory;
  const bool haveSource = NameFolderForAnsiCalls(sourceFolder, SETUP_TRACE_UNNAMED_SOURCE, &sourceDirectory);
  // Without the system's spooler client nothing can be registered, and the
  // files would be copied for a driver nobody adds.
  SpoolerClient spooler;
  DWORD error = ERROR_SUCCESS;
  if (!LoadSpoolerClient(&spooler, &error)) {
    findings->push_back({FindingKind::kSpoolerClientMissing, L"winspool.drv", error});
    return;
  }
  SpoolerNames names;
  if (!ConvertSpoolerNames(&names)) {
    // Without code page 936 nothing of the product can be named.
    error = GetLastError();
    findings->push_back({FindingKind::kPrinterMissing, std::wstring(), error});
    return;
  }
  char driverDirectory[MAX_PATH];
  const bool haveDirectory = QueryDriverDirectory(spooler, driverDirectory, &error);
  if (!haveDirectory) findings->push_back({FindingKind::kDriverDirectoryUnknown, std::wstring(), error});
  InstallationSteps steps;
  const char* source = haveSource ? sourceDirectory.c_str() : nullptr;
  InstallPrinter(spooler, source, haveDirectory ? driverDirectory : nullptr, &steps);
  JudgeInstallation(spooler, names, sourceFolder, source, haveDirectory ? driverDirectory : nullptr, steps,
                    findings);
}

}  // namespace

int RunInstallation(int argc, wchar_t** argv) {
  if (argc < 2) {
    WriteErrorLine(kUsageLine);
    return kExitUsage;
  }

  // For all file and spooler work, up to the last spooler call.
  void* redirection = DisableFsRedirection();
  EndProductProcess();
  // Not part of the verdict: the printer works without them.
  PrepareTraceFolders();
  std::vector<Finding> findings;
  InstallAndJudge(argv[1], &findings);
  RevertFsRedirection(redirection);
  ReportFindings(findings);
  return ExitCodeFor(findings);
}
