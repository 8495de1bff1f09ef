// printersetup.exe SOURCE-DIRECTORY
#include "setup/setup.h"

int main(int argc, char** argv) { return RunInstallation(argc, argv); }
