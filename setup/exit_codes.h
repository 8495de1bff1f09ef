// printersetup's exit codes, for the installer that runs it (docs/installer.md).
// An installation that fails for several reasons exits with the smallest of
// their codes: the one to mend first.  Standard error holds a line for each
// reason either way.
#pragma once

// Installed: monitor, port, driver with its six files and printer are all
// there, read back after the last step.  Nothing is written.
constexpr int kExitInstalled = 0;
// No argument: the usage line is written and nothing else happens.  The
// removal also exits with it when something of the product is left.
constexpr int kExitUsage = -1;
// The Print Spooler service is not running (RPC_S_SERVER_UNAVAILABLE).
constexpr int kExitSpoolerNotRunning = 1;
// A spooler or file step was refused with ERROR_ACCESS_DENIED: not elevated.
constexpr int kExitNotElevated = 2;
// The source folder does not exist, or a driver file is neither in it nor in
// the printer-driver directory.
constexpr int kExitSourceIncomplete = 3;
// The spooler refused the driver by policy (Point and Print restrictions,
// Windows protected print mode).
constexpr int kExitDriverBlocked = 4;
// Anything else is missing after the installation: the monitor (its library
// not in the system directory), the port it did not provide, a driver or
// printer the spooler refused for another reason, or the spooler client.
constexpr int kExitNotInstalled = 5;
