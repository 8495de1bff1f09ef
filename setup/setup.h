// printersetup: installs the product's virtual PostScript printer in one
// straight pass.  Ends a running product process, copies the six driver files
// into the spooler's printer-driver directory, removes an earlier
// installation and registers port monitor, port, driver and printer.
//
// Paths are 8-bit strings in the ANSI code page (spelled exactly, or the short
// form of a name the code page cannot spell; ansi_path.cpp); every path buffer
// holds MAX_PATH bytes, terminator included.  The printer's Chinese name and
// the records that carry it reach the spooler's wide functions, converted from
// their GBK bytes (code_pages.h), so they are the same on every Windows.
#pragma once

#include <windows.h>
#include <tlhelp32.h>
#include <winspool.h>

#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// The spooler client (spooler_client.cpp).

// The functions of winspool.drv the installer and the removal call, bound at
// run time.  winspool.drv is not one of Windows' known DLLs: imported by
// name, a file of that name in the program's folder (a downloads folder, an
// elevated process) would be loaded in its place before main runs.  What
// carries the printer's name, and the driver directory, is wide; the monitor
// and the port have ASCII names.
struct SpoolerClient {
  decltype(&GetPrinterDriverDirectoryW) getPrinterDriverDirectory;
  decltype(&OpenPrinterW) openPrinter;
  decltype(&ClosePrinter) closePrinter;
  decltype(&DeletePrinter) deletePrinter;
  decltype(&DeletePrinterDriverW) deletePrinterDriver;
  decltype(&DeleteMonitorA) deleteMonitor;
  decltype(&AddMonitorA) addMonitor;
  decltype(&AddPortA) addPort;
  decltype(&AddPrinterDriverW) addPrinterDriver;
  decltype(&AddPrinterW) addPrinter;
  decltype(&EnumPrintersW) enumPrinters;
  decltype(&EnumPrinterDriversW) enumPrinterDrivers;
  decltype(&EnumMonitorsA) enumMonitors;
  decltype(&EnumPortsA) enumPorts;
  // Optional, NULL when missing: the default printer is then left as it is.
  decltype(&SetDefaultPrinterW) setDefaultPrinter;
  // The export that has only its ordinal, 202 (SetDefaultPrinterA), taking
  // an 8-bit name: the fallback where SetDefaultPrinterW is missing.
  // Optional too.
  BOOL(WINAPI* ordinal202)(const char* printerName);
};

// Loads the system directory's winspool.drv (ChooseSpoolerLoad) and binds
// every function of the record.  False, with a trace for each function that
// could not be bound, when the library or any function but the two optional
// ones is missing; the record is then unusable.  A missing optional one is
// traced.  The library stays loaded for the process.
// error, when given, receives the first failure's error code.
bool LoadSpoolerClient(SpoolerClient* spooler, DWORD* error = nullptr);

// ---------------------------------------------------------------------------
// The DLL search (dll_search.cpp).

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD directoryFlags);

// kernel32's SetDefaultDllDirectories, NULL on a Windows 7 without
// KB2533623 (which then knows no LOAD_LIBRARY_SEARCH_* flag either).
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories();

// First thing in main: every later DLL search looks in the system directory
// only (true).  Where the function is missing or refuses, the current
// directory leaves the search (SetDllDirectoryA("")) and false comes back.
bool RestrictDllSearch(SetDefaultDllDirectoriesFunction setDefaultDllDirectories);

// How winspool.drv is loaded: by bare name with the system-directory flag
// where the system knows the flags, else by its full path in the system
// directory with LOAD_WITH_ALTERED_SEARCH_PATH.
struct SpoolerLoad {
  bool byFullPath;
  DWORD flags;
};
SpoolerLoad ChooseSpoolerLoad(bool searchFlagsKnown);

// ---------------------------------------------------------------------------
// Paths the system gives in their wide form (ansi_path.cpp).

// path as the A functions take it: its exact spelling in the ANSI code page,
// else its short (8.3) form.  False, with the error code, when the short form
// cannot be had (the path does not exist) or is no better
// (ERROR_NO_UNICODE_TRANSLATION: the volume keeps no short names, or the short
// name holds an OEM character the ANSI code page cannot spell either).
bool AnsiPathFor(const wchar_t* path, std::string* ansi, DWORD* error);

// AnsiPathFor, with a trace of traceStep naming the folder (in UTF-8) and the
// reason when it fails.
bool NameFolderForAnsiCalls(const wchar_t* folder, const char* traceStep, std::string* ansi);

// ---------------------------------------------------------------------------
// The command line (command_line.cpp).

// The program's arguments, split from the wide command line
// (CommandLineToArgvW, which splits as the C runtime does) and never passed
// through the ANSI code page.  No arguments at all, with a trace, when the
// line cannot be split.
class CommandLineArguments {
 public:
  CommandLineArguments();
  ~CommandLineArguments();
  CommandLineArguments(const CommandLineArguments&) = delete;
  CommandLineArguments& operator=(const CommandLineArguments&) = delete;

  int count() const { return count_; }
  wchar_t** values() const { return values_; }

 private:
  wchar_t** values_ = nullptr;
  int count_ = 0;
};

// ---------------------------------------------------------------------------
// Installation sequence (installation.cpp).

// The whole program, on the wide command line (argv[0] the program): argv[1]
// is the source directory, further arguments are ignored.  Without an
// argument it writes the usage line and returns -1, touching nothing.
// Otherwise every step runs whatever the outcome of those before it; then
// what the machine holds is read back: 0, silent, when the printer is
// installed, else one line on standard error for each thing missing and the
// exit code of exit_codes.h.
int RunInstallation(int argc, wchar_t** argv);

struct InstallationSteps;

// Copies the driver files and replaces the spooler registrations.
// driverDirectory is the spooler's printer-driver directory, or NULL when the
// spooler could not name it; sourceDirectory is NULL when the source folder
// could not be named.  Then, as when a destination path would not fit,
// nothing is copied and the earlier installation is left as it is.
// Returns false when it stopped for that reason.  steps receives what the
// copies and the registrations met.
bool InstallPrinter(const SpoolerClient& spooler, const char* sourceDirectory, const char* driverDirectory,
                    InstallationSteps* steps);
bool InstallPrinter(const SpoolerClient& spooler, const char* sourceDirectory, const char* driverDirectory);

// ---------------------------------------------------------------------------
// jvmhost's shared trace folders (trace_folders.cpp).

// Owner and DACL of %ProgramData%\Velmo and %ProgramData%\Velmo\trace.
extern const wchar_t kSharedTraceFolderSddl[];

// Makes both levels, or gives found ones, kSharedTraceFolderSddl's owner and
// DACL.  False, traced, when a level cannot be made, is no folder (a
// junction, say) or cannot be given them; the installation goes on either
// way.
bool PrepareTraceFolders();

// ---------------------------------------------------------------------------
// Removal of the product (removal.cpp): printersetup.exe /uninstall.

// True for a command line of one argument that is the word "/uninstall" in
// any mix of ASCII upper and lower case; every other command line installs.
bool IsRemovalCommandLine(int argc, wchar_t** argv);

// Removes the product's printer, its driver, the monitor with its port and
// the product's four files in the printer-driver directory (and the
// spooler's version-3 copies of them).  The PostScript driver files stay:
// other printers share them.  Returns 0 when nothing of the product is left
// (also when nothing was there), -1 with a trace for what is left otherwise.
int RunRemoval();

// ---------------------------------------------------------------------------
// File-system redirection of a 32-bit process on 64-bit Windows
// (fs_redirection.cpp).  Both fail harmlessly in a 64-bit process.

// Returns the value to hand back to RevertFsRedirection (NULL when nothing
// was disabled).
void* DisableFsRedirection();
void RevertFsRedirection(void* savedValue);

// ---------------------------------------------------------------------------
// Product process search (process_search.cpp, process_name.cpp).

// Turns every byte from 'a' to 'z' into 'A' to 'Z', in place.  No locale is
// consulted: a trail byte of a double-byte character in that range changes
// too, and bytes of 0x80 and above stay.
void UpperCaseAscii(char* text);

// True when pattern's bytes occur one after another somewhere in name; an
// empty pattern is contained in every name.
bool NameContainsPattern(const char* name, const char* pattern);

// True when the two texts differ only in the case of ASCII letters.
bool SameTextAsciiCaseBlind(const char* first, const char* second);
bool SameTextAsciiCaseBlind(const wchar_t* first, const wchar_t* second);

// Process32Next, repeated while the entry reached has process id 0.
// Returns the last Process32Next result: non-zero when entry holds a process
// with a non-zero id, zero at the end of the enumeration.
BOOL NextProcessEntry(HANDLE snapshot, PROCESSENTRY32* entry);

// Looks for the first running process (in snapshot order, id 0 skipped) whose
// executable name contains pattern, ASCII letters compared without regard to
// case.  entry->dwSize must be set.  Returns 1 and leaves entry describing the
// process (its szExeFile upper-cased), or 0 when none matches.
int FindProcessByPattern(const char* pattern, PROCESSENTRY32* entry);

// The two functions above walk a process list through a pair of steps shaped
// like Process32First/Process32Next; they pass those two.  Another pair lets
// the walk be checked on lists the system would not produce on demand (an
// entry with id 0 first, or in the middle).
using ProcessEntryStep = BOOL(WINAPI*)(HANDLE list, PROCESSENTRY32* entry);
struct ProcessWalk {
  ProcessEntryStep first;
  ProcessEntryStep next;
};
BOOL NextProcessEntryIn(const ProcessWalk& walk, HANDLE list, PROCESSENTRY32* entry);
int FindProcessIn(const ProcessWalk& walk, HANDLE list, const char* pattern, PROCESSENTRY32* entry);

// Terminates, with exit code 0, the first process whose executable name
// contains "VelmoJNI".  Does not wait for it to end.  True when a termination
// was requested.
bool EndProductProcess();

// ---------------------------------------------------------------------------
// Driver files (driver_files.cpp).

enum class CopyRule {
  kWhenMissing,  // the system's PostScript driver: never replace a present one
  kAlways,       // the product's own files: replaced on every run
};

struct DriverFile {
  const char* suffix;  // appended to a directory, separator included
  CopyRule rule;
};

constexpr int kDriverFileCount = 6;

// In copying order: driver, data file, configuration file, then the three
// dependent files.
extern const DriverFile kDriverFiles[kDriverFileCount];

constexpr int kDriverFileDriver = 0;
constexpr int kDriverFileData = 1;
constexpr int kDriverFileConfig = 2;

struct DriverFilePaths {
  char source[kDriverFileCount][MAX_PATH];
  char destination[kDriverFileCount][MAX_PATH];
};

// directory followed by suffix, copied as they are (a trailing separator on
// directory stays, giving two).  False, with destination left empty, when the
// result would not fit MAX_PATH bytes.
bool ComposePath(const char* directory, const char* suffix, char* destination);

// Composes the six source and destination paths.  A source path that does not
// fit is left empty (its file cannot be copied).  Returns false when a
// destination path does not fit: then there is no place to copy to.
bool BuildDriverFilePaths(const char* sourceDirectory, const char* driverDirectory,
                          DriverFilePaths* paths);

// Copies one file by its rule.  An empty source path copies nothing.
// Returns the CopyFileA result, false also when nothing was copied.
bool CopyDriverFile(const char* source, const char* destination, CopyRule rule);

// Copies the six files in table order; errors[i] receives file i's copy
// error, 0 when it was copied or kept.
void CopyDriverFiles(const DriverFilePaths& paths, DWORD* errors);

// ---------------------------------------------------------------------------
// Spooler records and registration (spooler_records.cpp, registration.cpp).

constexpr int kDependentFilesCapacity = 260;

// Fills block (kDependentFilesCapacity bytes) with the multi-string
// "velmops.dll\0velmo.ini\0velmo.inf\0\0", the rest zero.
void FillDependentFiles(char* block);

// The fixed texts the wide records carry, converted from their stored bytes
// with code page 936.  False when that code page is missing.
struct SpoolerNames {
  std::wstring printer, port, printProcessor, dataType;
};
bool ConvertSpoolerNames(SpoolerNames* names);

// The driver record's paths and dependent-file list, wide: the ANSI paths
// converted back, so the spooler holds what its A function would have.
struct WideDriverFiles {
  std::wstring driver, data, config;
  std::wstring dependentFiles;  // a multi-string
};
void WidenDriverFiles(const DriverFilePaths& paths, WideDriverFiles* files);

// The records as the spooler receives them, each cleared before it is filled.
// They point at the constants and at the caller's strings, which must outlive
// them.
void FillOpenDefaults(PRINTER_DEFAULTSW* defaults);
void FillMonitorRecord(MONITOR_INFO_2A* monitor);
void FillDriverRecord(const SpoolerNames& names, const WideDriverFiles& files, DRIVER_INFO_3W* driver);
void FillPrinterRecord(const SpoolerNames& names, PRINTER_INFO_2W* printer);

// The spooler's printer-driver directory for the local machine and the
// current environment, named for the A functions into a MAX_PATH-byte
// buffer.  False, traced, when the spooler does not name one or it cannot be
// named so; error, when given, then receives why.
bool QueryDriverDirectory(const SpoolerClient& spooler, char* directory, DWORD* error = nullptr);

// Removes the printer, its driver and the port monitor, in that order (the
// reverse of adding them).  Each failure is silent.
void RemoveEarlierInstallation(const SpoolerClient& spooler, const SpoolerNames& names);

// Adds monitor (and, only when that succeeds, a port through it), driver and
// printer.  Each failure is traced and its error kept in steps; the next
// step runs all the same.
void RegisterPrinter(const SpoolerClient& spooler, const SpoolerNames& names, const DriverFilePaths& paths,
                     InstallationSteps* steps);

// Which call makes the printer the default: SetDefaultPrinterW with the wide
// name wherever it is bound, else export 202 when the ANSI code page spells
// the name, else none.
enum class DefaultPrinterCall { kWide, kOrdinal202, kNone };
DefaultPrinterCall ChooseDefaultPrinterCall(bool haveWide, bool haveOrdinal202, bool nameSpelled);

// Makes the printer the current user's default by that choice.  Its result
// decides nothing; a refusal, or no call at all, is traced.
void MakeDefaultPrinter(const SpoolerClient& spooler, const std::wstring& printerName);

// ---------------------------------------------------------------------------
// What an installation left, and how it is told (installation_verdict.cpp,
// failure_words.cpp, console_output.cpp; the texts in console_texts.h, the
// exit codes in exit_codes.h).

// What the steps met, for the read-back to say why something is missing.
// Each is the step's error code, 0 when it succeeded or did not run.
struct InstallationSteps {
  DWORD copy[kDriverFileCount] = {};
  DWORD addMonitor = 0;
  DWORD addPort = 0;
  DWORD addDriver = 0;
  DWORD addPrinter = 0;
};

enum class FindingKind {
  kSourceFolderMissing,      // subject: the folder as given
  kSpoolerClientMissing,     // subject: winspool.drv
  kDriverDirectoryUnknown,   // no subject
  kFileNowhere,              // subject: a driver file's name
  kFileNotCopied,            // subject: a driver file's name
  kSpoolerCopyMissing,       // subject: the path the spooler names
  kMonitorMissing,           // subject: monitor and library
  kPortMissing,              // subject: the port
  kDriverRefused,            // subject: the driver; error from AddPrinterDriverW
  kDriverMissing,            // subject: the driver; not listed after the steps
  kPrinterRefused,           // subject: the printer; error from AddPrinterW
  kPrinterMissing,           // subject: the printer; not listed on its driver and port
};

// One thing that failed or is missing, with the Windows error that says why.
struct Finding {
  FindingKind kind;
  std::wstring subject;
  DWORD error;
};

// After the last step: reads back the spooler's monitors, ports, drivers and
// printers, the source folder and the driver directory (and the spooler's
// copies of the driver's files), and appends a finding for each thing that
// is not as the installation makes it.  sourceFolder is the argument as
// given; sourceDirectory and driverDirectory are NULL when they could not be
// named.  Nothing found means installed.
void JudgeInstallation(const SpoolerClient& spooler, const SpoolerNames& names, const wchar_t* sourceFolder,
                       const char* sourceDirectory, const char* driverDirectory, const InstallationSteps& steps,
                       std::vector<Finding>* findings);

// kExitInstalled for no findings, else the smallest exit code among them.
int ExitCodeFor(const std::vector<Finding>& findings);

// The words an administrator needs for the refusals of today's Windows
// (access denied, the spooler not running, a driver blocked by policy),
// empty for every other error code.
const wchar_t* AdviceForError(DWORD error);

// The system's own text for an error code (FormatMessageW, the user's
// language), without its line end; empty when it has none.
std::wstring SystemErrorText(DWORD error);

// The line for a finding: what, which, why, the error number with
// systemText, and the advice for its code.
std::wstring FindingLine(const Finding& finding, const std::wstring& systemText);

// Writes a line on standard error: WriteConsoleW on a console, UTF-8 into a
// file or a pipe.
void WriteErrorLine(const std::wstring& line);

// Writes the line of each finding.
void ReportFindings(const std::vector<Finding>& findings);
