// spoolinfo: what the spooler reports about the product's virtual printer
// (monitor, port, driver, printer with their key fields).  Exit code 0 when
// all four are registered as printersetup registers them, 1 otherwise.
// Names are printed as UTF-8, so they read right on a Linux terminal too.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/spoolinfo/spooler_readback.h"

namespace {

const char kPrinterName[] = "\xC7\xE0\xBA\xCC\xD6\xDB\xCA\xD6\xBB\xFA\xB7\xA2\xB2\xBC";
const char kMonitorName[] = "Vudav Adiv";
const char kMonitorLibrary[] = "braskmon.dll";
const char kPortName[] = "BRASK:";

std::string Utf8(const std::string& ansi) {
  int units = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  if (units <= 0) return ansi;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], units);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(bytes) - 1);
  return utf8;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Check(bool ok, const char* what) {
  if (!ok) printf("  MISMATCH: %s\n", what);
  return ok;
}

}  // namespace

int main() {
  SetConsoleOutputCP(CP_UTF8);
  bool ok = true;

  std::string library;
  bool haveMonitor = FindMonitor(kMonitorName, &library);
  printf("monitor  %-22s %s\n", kMonitorName, haveMonitor ? ("library " + library).c_str() : "not registered");
  ok &= Check(haveMonitor && library == kMonitorLibrary, "monitor library");

  bool havePort = PortListed(kPortName);
  printf("port     %-22s %s\n", kPortName, havePort ? "listed" : "not listed");
  ok &= Check(havePort, "port");

  InstalledDriver driver{};
  bool haveDriver = FindDriver(kPrinterName, &driver);
  printf("driver   %s\n", Utf8(kPrinterName).c_str());
  if (haveDriver) {
    printf("         version %lu, environment %s\n", driver.version, driver.environment.c_str());
    printf("         driver %s\n         data %s\n         config %s\n", driver.driverPath.c_str(),
           driver.dataFile.c_str(), driver.configFile.c_str());
    std::string dependents;
    for (const std::string& file : driver.dependentFiles) dependents += (dependents.empty() ? "" : ", ") + file;
    printf("         dependent files %s\n         default data type %s\n", dependents.c_str(),
           driver.defaultDataType.c_str());
  } else {
    printf("         not installed\n");
  }
  ok &= Check(haveDriver && EndsWith(driver.driverPath, "PSCRIPT5.DLL") && EndsWith(driver.dataFile, "velmo.ppd") &&
                  EndsWith(driver.configFile, "PS5UI.DLL") && driver.dependentFiles.size() == 3 &&
                  driver.defaultDataType == "RAW",
              "driver record");

  auto printers = PrintersNamed(kPrinterName);
  printf("printer  %s\n", Utf8(kPrinterName).c_str());
  for (const InstalledPrinter& printer : printers) {
    printf("         port %s, driver %s, print processor %s, data type %s, attributes 0x%lX\n", printer.port.c_str(),
           Utf8(printer.driver).c_str(), printer.printProcessor.c_str(), printer.dataType.c_str(), printer.attributes);
  }
  if (printers.empty()) printf("         not installed\n");
  ok &= Check(printers.size() == 1 && printers[0].port == kPortName && printers[0].driver == kPrinterName &&
                  printers[0].printProcessor == "WinPrint" && printers[0].dataType == "RAW",
              "printer record");
  return ok ? 0 : 1;
}
