// Failure traces of printersetup: one line per failed installation step,
// with the system's error code, written with OutputDebugStringA in UTF-8
// (names as they are, whatever the code page), the first one of a process
// preceded by a line naming the ANSI code page it runs under.  They are for
// support and separate from the lines of standard error (console_texts.h),
// which say what an installation left missing; a debug-output viewer, or
// WINEDEBUG=+debugstr under Wine, shows them.
// Every trace text of printersetup is here.
#pragma once

#define SETUP_TRACE_PREFIX "printersetup: "
#define SETUP_TRACE_CODE_PAGE "running under ANSI code page"

#define SETUP_TRACE_OPEN_PRODUCT_PROCESS "OpenProcess of the running product process"
#define SETUP_TRACE_END_PRODUCT_PROCESS "TerminateProcess of the running product process"
#define SETUP_TRACE_DRIVER_DIRECTORY "GetPrinterDriverDirectoryW; nothing copied or registered"
#define SETUP_TRACE_UNNAMED_DRIVER_DIRECTORY \
  "naming the printer-driver directory in the ANSI code page or by its short name; nothing copied or registered"
#define SETUP_TRACE_UNNAMED_SOURCE \
  "naming the source folder in the ANSI code page or by its short name; nothing copied or registered"
#define SETUP_TRACE_UNNAMED_SYSTEM_DIRECTORY \
  "naming the system directory in the ANSI code page or by its short name; nothing installed or removed"
#define SETUP_TRACE_COMMAND_LINE "CommandLineToArgvW; nothing installed or removed"
#define SETUP_TRACE_FIXED_TEXTS "converting the fixed texts from code page 936; nothing installed or removed"

#define SETUP_TRACE_PATH_TOO_LONG "a driver file path does not fit MAX_PATH; nothing copied or registered"
#define SETUP_TRACE_SOURCE_TOO_LONG "a source path does not fit MAX_PATH; file not copied"
#define SETUP_TRACE_COPY "CopyFileA"
#define SETUP_TRACE_OPEN_OLD_PRINTER "OpenPrinterW of the earlier printer"
#define SETUP_TRACE_DELETE_PRINTER "DeletePrinter"
#define SETUP_TRACE_DELETE_DRIVER "DeletePrinterDriverW"
#define SETUP_TRACE_DELETE_MONITOR "DeleteMonitorA"
#define SETUP_TRACE_ADD_MONITOR "AddMonitorA"
#define SETUP_TRACE_ADD_PORT "AddPortA"
#define SETUP_TRACE_ADD_DRIVER "AddPrinterDriverW"
#define SETUP_TRACE_ADD_PRINTER "AddPrinterW"
#define SETUP_TRACE_ORDINAL_202 "winspool.drv export 202"
#define SETUP_TRACE_DEFAULT_PRINTER "SetDefaultPrinterW"
#define SETUP_TRACE_NO_DEFAULT_PRINTER \
  "making the printer the default: no SetDefaultPrinterW, and no export 202 or no ANSI spelling of the name; left as it is"
#define SETUP_TRACE_OPTIONAL_SPOOLER "binding an optional winspool.drv function; going on without it"
#define SETUP_TRACE_TRACE_FOLDER_CREATE "making a shared trace folder"
#define SETUP_TRACE_TRACE_FOLDER_OPEN "opening a shared trace folder (no junction, no file)"
#define SETUP_TRACE_TRACE_FOLDER_SECURE "giving a shared trace folder its owner and DACL"
#define SETUP_TRACE_DLL_SEARCH "SetDefaultDllDirectories; only the current directory leaves the DLL search"
#define SETUP_TRACE_DELETE_FILE "DeleteFileA of a product file"
#define SETUP_TRACE_LIST_UNREADABLE "reading the spooler's list after the removal"
#define SETUP_TRACE_LEFT_BEHIND "removal of the product"
#define SETUP_TRACE_SYSTEM_DIRECTORY "GetSystemDirectoryW; the spooler client cannot be loaded"
#define SETUP_TRACE_LOAD_SPOOLER "loading the system's winspool.drv; nothing installed or removed"
#define SETUP_TRACE_BIND_SPOOLER "binding a winspool.drv function; nothing installed or removed"

// "printersetup: <step> failed (error <code>)", or with a detail (a file
// name): "printersetup: <step> failed: <detail> (error <code>)".
void TraceStepFailure(const char* step, unsigned long errorCode);
// A detail in the ANSI code page, or a wide one.
void TraceStepFailureDetail(const char* step, const char* detail, unsigned long errorCode);
void TraceStepFailureWide(const char* step, const wchar_t* detail, unsigned long errorCode);
