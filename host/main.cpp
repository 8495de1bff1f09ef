// jvmhost.exe: a GUI-subsystem program with the ordinary argc/argv entry
// (8-bit arguments in the ANSI code page).
#include "host/host.h"

int main(int argc, char** argv) { return JvmHostMain(argc, argv); }
