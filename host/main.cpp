// jvmhost.exe: a GUI-subsystem program.  Its arguments are taken from the
// wide command line: the C runtime's 8-bit argv passes them through the ANSI
// code page, which drops what it cannot spell and "best fits" the rest (a
// full-width quote becomes '"'), so a file name could change how the line
// splits.
#include <windows.h>

#include <shellapi.h>

#include "host/host.h"

int main() {
  // The current directory leaves the DLL search before anything is loaded at
  // run time: the launcher may be started from any folder, and a DLL planted
  // there must never stand in for the system's.
  SetDllDirectoryA("");
  // Split as the C runtime splits.  Kept until the process ends (the
  // launcher never returns from Java); without it there is no argument.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) argc = 0;
  return JvmHostMain(argc, argv);
}
