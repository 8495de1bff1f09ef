// Failure traces of printersetup: one line per failed installation step,
// with the system's error code, written with OutputDebugStringA.  The
// installer stays silent otherwise (no console output, exit code 0); a
// debug-output viewer, or WINEDEBUG=+debugstr under Wine, shows the lines.
// Every trace text of printersetup is here.
#pragma once

#define SETUP_TRACE_PREFIX "printersetup: "

#define SETUP_TRACE_OPEN_PRODUCT_PROCESS "OpenProcess of the running product process"
#define SETUP_TRACE_END_PRODUCT_PROCESS "TerminateProcess of the running product process"
#define SETUP_TRACE_DRIVER_DIRECTORY "GetPrinterDriverDirectoryA; nothing copied or registered"
#define SETUP_TRACE_PATH_TOO_LONG "a driver file path does not fit MAX_PATH; nothing copied or registered"
#define SETUP_TRACE_SOURCE_TOO_LONG "a source path does not fit MAX_PATH; file not copied"
#define SETUP_TRACE_COPY "CopyFileA"
#define SETUP_TRACE_OPEN_OLD_PRINTER "OpenPrinterA of the earlier printer"
#define SETUP_TRACE_DELETE_PRINTER "DeletePrinter"
#define SETUP_TRACE_DELETE_DRIVER "DeletePrinterDriverA"
#define SETUP_TRACE_DELETE_MONITOR "DeleteMonitorA"
#define SETUP_TRACE_ADD_MONITOR "AddMonitorA"
#define SETUP_TRACE_ADD_PORT "AddPortA"
#define SETUP_TRACE_ADD_DRIVER "AddPrinterDriverA"
#define SETUP_TRACE_ADD_PRINTER "AddPrinterA"
#define SETUP_TRACE_ORDINAL_202 "winspool.drv export 202"
#define SETUP_TRACE_DELETE_FILE "DeleteFileA of a product file"
#define SETUP_TRACE_LIST_UNREADABLE "reading the spooler's list after the removal"
#define SETUP_TRACE_LEFT_BEHIND "removal of the product"
#define SETUP_TRACE_SYSTEM_DIRECTORY "GetSystemDirectoryA; the spooler client cannot be loaded"
#define SETUP_TRACE_LOAD_SPOOLER "loading the system's winspool.drv; nothing installed or removed"
#define SETUP_TRACE_BIND_SPOOLER "binding a winspool.drv function; nothing installed or removed"

// "printersetup: <step> failed (error <code>)", or with a detail (a file
// name): "printersetup: <step> failed: <detail> (error <code>)".
void TraceStepFailure(const char* step, unsigned long errorCode);
void TraceStepFailureDetail(const char* step, const char* detail, unsigned long errorCode);
