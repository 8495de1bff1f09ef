// printersetup.exe SOURCE-DIRECTORY    installs the printer
// printersetup.exe /uninstall          removes it
#include "setup/setup.h"

int main(int argc, char** argv) {
  // The current directory leaves the DLL search before anything is loaded at
  // run time: a DLL planted there must never stand in for the system's.
  SetDllDirectoryA("");
  if (IsRemovalCommandLine(argc, argv)) return RunRemoval();
  return RunInstallation(argc, argv);
}
