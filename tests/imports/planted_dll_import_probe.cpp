// A program that imports the spooler client the ordinary way, as printersetup
// once did: winspool.drv is not a known DLL, so the import check must refuse
// it.  Never run.
#include <windows.h>
#include <winspool.h>

int main() {
  HANDLE printer = nullptr;
  return OpenPrinterA(const_cast<char*>("none"), &printer, nullptr) ? 0 : 1;
}
