// printersetup.exe SOURCE-DIRECTORY    installs the printer
// printersetup.exe /uninstall          removes it
#include "setup/setup.h"

int main() {
  // The current directory leaves the DLL search before anything is loaded at
  // run time: a DLL planted there must never stand in for the system's.
  SetDllDirectoryA("");
  const CommandLineArguments arguments;
  if (IsRemovalCommandLine(arguments.count(), arguments.values())) return RunRemoval();
  return RunInstallation(arguments.count(), arguments.values());
}
