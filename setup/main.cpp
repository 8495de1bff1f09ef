// printersetup.exe SOURCE-DIRECTORY    installs the printer
// printersetup.exe /uninstall          removes it
#include "setup/setup.h"

int main() {
  // Before anything is loaded at run time: a DLL planted in the program's
  // folder or the current directory must never stand in for the system's.
  RestrictDllSearch(FindSetDefaultDllDirectories());
  const CommandLineArguments arguments;
  if (IsRemovalCommandLine(arguments.count(), arguments.values())) return RunRemoval();
  return RunInstallation(arguments.count(), arguments.values());
}
