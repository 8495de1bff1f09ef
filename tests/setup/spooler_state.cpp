#include "tests/setup/spooler_state.h"

#include <winspool.h>

#include <cstring>

#include "setup/texts.h"
#include "tests/setup/child_process.h"
#include "tools/spoolinfo/spooler_readback.h"

const char* const kDriverFileNames[6] = {"PSCRIPT5.DLL", "velmo.ppd",  "PS5UI.DLL",
                                         "velmops.dll",  "velmo.ini", "velmo.inf"};

bool InstallStandInMonitorLibrary() {
  const std::string target = SystemDirectory() + "\\" + kMonitorLibrary;
  if (CopyFileA((BinaryDirectory() + "\\" + kMonitorLibrary).c_str(), target.c_str(), FALSE)) return true;
  // A process that still has it loaded keeps it from being replaced; the
  // same build's copy is then already there.
  return GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveStandInMonitorLibrary() {
  return DeleteFileA((SystemDirectory() + "\\" + kMonitorLibrary).c_str()) != FALSE;
}

void DeletePrinterAndDriver(const char* printerName, const char* driverName) {
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (OpenPrinterA(const_cast<char*>(printerName), &printer, &defaults)) {
    DeletePrinter(printer);
    ClosePrinter(printer);
  }
  DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(driverName));
}

void RemoveProductInstallation() {
  DeletePrinterAndDriver(kPrinterName, kPrinterName);
  DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName));
  const std::string directory = DriverDirectory();
  for (const char* file : kDriverFileNames) {
    // A test may have put a directory in a file's place.
    RemoveDirectoryA((directory + "\\" + file).c_str());
    DeleteFileA((directory + "\\" + file).c_str());
    DeleteFileA((directory + "\\3\\" + file).c_str());
  }
}

std::string ReadWholeFile(const std::string& path) { return ReadWholeFileW(Widen(path)); }

std::string ReadWholeFileW(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) content.append(chunk, read);
  CloseHandle(file);
  return content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  return WriteWholeFileW(Widen(path), content);
}

bool WriteWholeFileW(const std::wstring& path, const std::string& content) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size();
  CloseHandle(file);
  return ok;
}

std::string StandInContent(const std::string& tag, const std::string& fileName) {
  return "stand-in " + fileName + " from " + tag;
}

bool WriteStandInDriverFiles(const std::string& directory, const std::string& tag) {
  for (const char* file : kDriverFileNames) {
    if (!WriteWholeFile(directory + "\\" + file, StandInContent(tag, file))) return false;
  }
  return true;
}
