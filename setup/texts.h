// Fixed texts of printersetup, 8-bit strings; the Chinese one is GBK (code
// page 936) bytes.  The ASCII ones go unchanged to the A functions; what the
// spooler's wide functions take is converted with code page 936 itself
// (code_pages.h), whatever the system's code page.
#pragma once

// Part of the executable name of the product process that must not hold the
// driver files open while they are replaced; compared ASCII-case-blind.
constexpr char kProductProcessPattern[] = "VelmoJNI";

// The printer, and its driver by the same name: the product name followed by
// "phone publishing".  14 GBK bytes.
constexpr char kPrinterName[] = "\xC7\xE0\xBA\xCC\xD6\xDB\xCA\xD6\xBB\xFA\xB7\xA2\xB2\xBC";

// Name under which the port monitor is registered with the spooler.
constexpr char kMonitorName[] = "Vudav Adiv";

// The port monitor's library, registered by bare file name: the spooler looks
// for it in the system directory.
constexpr char kMonitorLibrary[] = "braskmon.dll";

// The port the monitor provides and the printer prints to.
constexpr char kPortName[] = "BRASK:";

// The spooler's standard print processor.
constexpr char kPrintProcessor[] = "WinPrint";

// Data type of the printer's jobs and the driver's default: the monitor
// receives the rendered PostScript bytes unchanged.
constexpr char kDataType[] = "RAW";

// The spooler client library, loaded from the system directory; its export
// 202 is bound by ordinal.
constexpr char kSpoolerLibrary[] = "winspool.drv";
