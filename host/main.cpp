// jvmhost.exe: a GUI-subsystem program with the ordinary argc/argv entry
// (8-bit arguments in the ANSI code page).
#include <windows.h>

#include "host/host.h"

int main(int argc, char** argv) {
  // The current directory leaves the DLL search before anything is loaded at
  // run time: the launcher may be started from any folder, and a DLL planted
  // there must never stand in for the system's.
  SetDllDirectoryA("");
  return JvmHostMain(argc, argv);
}
