// The whole installer against Wine's real spooler: printersetup.exe runs as a
// child process on stand-in driver files and the stand-in port monitor.
// Every test starts from and leaves a spooler without the product's printer,
// driver and monitor.
#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "setup/code_pages.h"
#include "setup/console_texts.h"
#include "setup/exit_codes.h"
#include "setup/setup.h"
#include "setup/texts.h"
#include "tests/setup/child_process.h"
#include "tests/setup/spooler_state.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The default printer's name, or "" when there is none.
std::string DefaultPrinter() {
  char name[MAX_PATH] = "";
  DWORD size = sizeof name;
  return GetDefaultPrinterA(name, &size) ? name : "";
}

// Tells Wine, for programs named printersetup.exe, to take a winspool.drv
// found along the search path before its own, as Windows does with a DLL that
// is not one of its known DLLs.  Wine reads WINE* variables of a child from
// the Unix environment it started with, so the application's own overrides
// in the registry are the way to say it from here.
class PreferNativeWinspool {
 public:
  PreferNativeWinspool() {
    set_ = RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr) ==
               ERROR_SUCCESS &&
           RegSetValueExA(key_, "winspool.drv", 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"),
                          sizeof "native,builtin") == ERROR_SUCCESS;
  }
  ~PreferNativeWinspool() {
    if (key_ != nullptr) RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\printersetup.exe");
  }
  PreferNativeWinspool(const PreferNativeWinspool&) = delete;
  PreferNativeWinspool& operator=(const PreferNativeWinspool&) = delete;

  bool set() const { return set_; }

 private:
  static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\printersetup.exe\\DllOverrides";
  HKEY key_ = nullptr;
  bool set_ = false;
};

class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallStandInMonitorLibrary()) << "copying braskmon.dll failed: " << GetLastError();
    RemoveProductInstallation();
    driverDirectory_ = DriverDirectory();
    ASSERT_FALSE(driverDirectory_.empty()) << "GetPrinterDriverDirectoryA failed: " << GetLastError();
    ASSERT_TRUE(WriteStandInDriverFiles(source_.path(), "first")) << GetLastError();
    // Run from a directory of its own: beside the build's copy of braskmon.dll
    // the program would load the monitor from there instead of from the
    // system directory, as the spooler does.
    program_ = programDirectory_.path() + "\\printersetup.exe";
    ASSERT_TRUE(CopyFileA((BinaryDirectory() + "\\printersetup.exe").c_str(), program_.c_str(), FALSE))
        << "copying printersetup.exe failed: " << GetLastError();
  }
  void TearDown() override {
    RemoveProductInstallation();
    RemoveStandInMonitorLibrary();
  }

  // Runs printersetup.exe with the given argument text; its exit code, or
  // a failed assertion when it cannot be started or does not end in time.
  void RunSetup(const std::string& arguments, DWORD* exitCode) {
    ASSERT_TRUE(RunProgram(program_, arguments, exitCode))
        << "printersetup did not start or did not end within " << kChildTimeoutMs << " ms: " << GetLastError();
  }
  void RunSetupUnder(const char* locale, const std::wstring& argument) {
    DWORD exitCode = 1;
    ASSERT_TRUE(RunProgramUnderLocale(Widen(program_), {argument}, locale, &exitCode))
        << "printersetup under " << locale << " did not start or end: " << GetLastError();
    EXPECT_EQ(exitCode, 0u) << locale;
  }
  void InstallFrom(const std::string& sourceDirectory, int expectedExitCode = kExitInstalled) {
    DWORD exitCode = 1;
    RunSetup("\"" + sourceDirectory + "\"", &exitCode);
    EXPECT_EQ(exitCode, static_cast<DWORD>(expectedExitCode));
  }
  // As RunSetup, with what printersetup wrote on standard error (UTF-8: a file).
  void RunSetupReadingErrors(const std::string& arguments, DWORD* exitCode, std::string* errors) {
    ASSERT_TRUE(RunProgramReadingErrors(program_, arguments, exitCode, errors))
        << "printersetup did not start or did not end within " << kChildTimeoutMs << " ms: " << GetLastError();
  }
  std::string Installed(const std::string& fileName) const {
    return ReadWholeFile(driverDirectory_ + "\\" + fileName);
  }

  TempDirectory source_{"source"};
  TempDirectory programDirectory_{"program"};
  std::string program_;
  std::string driverDirectory_;
};

}  // namespace

TEST_F(InstallationTest, NoArgumentExitsMinusOneAndTouchesNothing) {
  TempDirectory processes("idle");
  ChildProcess product;
  ASSERT_TRUE(StartSleeperAs(processes.path(), "VelmoJNI.exe", &product)) << GetLastError();

  DWORD exitCode = 0;
  std::string errors;
  RunSetupReadingErrors("", &exitCode, &errors);
  EXPECT_EQ(exitCode, static_cast<DWORD>(kExitUsage));
  EXPECT_NE(errors.find("printersetup SOURCE-DIRECTORY"), std::string::npos) << errors;
  EXPECT_NE(errors.find("printersetup /uninstall"), std::string::npos) << errors;

  EXPECT_FALSE(product.WaitForExit(0, &exitCode)) << "no process may be ended";
  for (const char* file : kDriverFileNames) {
    EXPECT_EQ(Installed(file), "<missing>") << file << " was copied";
  }
  std::string library;
  EXPECT_FALSE(FindMonitor(kMonitorName, &library));
  InstalledDriver driver;
  EXPECT_FALSE(FindDriver(kPrinterName, &driver));
  EXPECT_TRUE(PrintersNamed(kPrinterName).empty());
}

TEST_F(InstallationTest, FreshInstallRegistersMonitorWithItsLibrary) {
  InstallFrom(source_.path());
  std::string library;
  ASSERT_TRUE(FindMonitor(kMonitorName, &library)) << "EnumMonitorsA does not list " << kMonitorName;
  EXPECT_EQ(library, kMonitorLibrary);
}

TEST_F(InstallationTest, FreshInstallListsTheMonitorsPort) {
  InstallFrom(source_.path());
  EXPECT_TRUE(PortListed(kPortName)) << "EnumPortsA does not list " << kPortName;
}

TEST_F(InstallationTest, FreshInstallRegistersDriverRecordFieldByField) {
  InstallFrom(source_.path());
  InstalledDriver driver;
  ASSERT_TRUE(FindDriver(kPrinterName, &driver)) << "EnumPrinterDriversA does not list the driver";
  EXPECT_EQ(driver.version, 3u);
  EXPECT_EQ(driver.environment, "Windows x64");
  EXPECT_TRUE(EndsWith(driver.driverPath, "\\PSCRIPT5.DLL")) << driver.driverPath;
  EXPECT_TRUE(EndsWith(driver.dataFile, "\\velmo.ppd")) << driver.dataFile;
  EXPECT_TRUE(EndsWith(driver.configFile, "\\PS5UI.DLL")) << driver.configFile;
  EXPECT_EQ(driver.helpFile, "");
  EXPECT_EQ(driver.monitorName, "");
  EXPECT_EQ(driver.defaultDataType, "RAW");
  ASSERT_EQ(driver.dependentFiles.size(), 3u);
  EXPECT_TRUE(EndsWith(driver.dependentFiles[0], "velmops.dll")) << driver.dependentFiles[0];
  EXPECT_TRUE(EndsWith(driver.dependentFiles[1], "velmo.ini")) << driver.dependentFiles[1];
  EXPECT_TRUE(EndsWith(driver.dependentFiles[2], "velmo.inf")) << driver.dependentFiles[2];
}

TEST_F(InstallationTest, FreshInstallAddsPrinterOnThePortWithItsDriver) {
  InstallFrom(source_.path());
  const std::vector<InstalledPrinter> printers = PrintersNamed(kPrinterName);
  ASSERT_EQ(printers.size(), 1u) << "EnumPrintersA level 2";
  EXPECT_EQ(printers[0].port, kPortName);
  EXPECT_EQ(printers[0].driver, kPrinterName);
  EXPECT_EQ(printers[0].printProcessor, kPrintProcessor);
  EXPECT_EQ(printers[0].dataType, kDataType);
  EXPECT_EQ(printers[0].attributes & PRINTER_ATTRIBUTE_DEFAULT, static_cast<DWORD>(PRINTER_ATTRIBUTE_DEFAULT));
}

TEST_F(InstallationTest, FreshInstallCopiesSixFilesIntoDriverDirectory) {
  InstallFrom(source_.path());
  for (const char* file : kDriverFileNames) {
    EXPECT_EQ(Installed(file), StandInContent("first", file)) << file;
  }
}

TEST_F(InstallationTest, LastSpoolerCallMakesPrinterTheDefault) {
  // Under Wine, export 202 of winspool.drv is SetDefaultPrinterA.
  ASSERT_NE(DefaultPrinter(), kPrinterName) << "the removed printer is still the default";
  InstallFrom(source_.path());
  EXPECT_EQ(DefaultPrinter(), kPrinterName);
}

TEST_F(InstallationTest, SecondRunLeavesExactlyOnePrinter) {
  InstallFrom(source_.path());
  InstallFrom(source_.path());
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
  InstalledDriver driver;
  EXPECT_TRUE(FindDriver(kPrinterName, &driver));
  EXPECT_TRUE(PortListed(kPortName));
}

TEST_F(InstallationTest, SecondRunOverwritesProductFilesButKeepsPostScriptDriver) {
  InstallFrom(source_.path());
  TempDirectory second("second");
  ASSERT_TRUE(WriteStandInDriverFiles(second.path(), "second"));
  InstallFrom(second.path());
  EXPECT_EQ(Installed("PSCRIPT5.DLL"), StandInContent("first", "PSCRIPT5.DLL"));
  EXPECT_EQ(Installed("PS5UI.DLL"), StandInContent("first", "PS5UI.DLL"));
  for (const char* file : {"velmo.ppd", "velmops.dll", "velmo.ini", "velmo.inf"}) {
    EXPECT_EQ(Installed(file), StandInContent("second", file)) << file;
  }
}

TEST_F(InstallationTest, PostScriptDriverFilesAlreadyPresentAreKept) {
  ASSERT_TRUE(WriteWholeFile(driverDirectory_ + "\\PSCRIPT5.DLL", "system's own"));
  ASSERT_TRUE(WriteWholeFile(driverDirectory_ + "\\PS5UI.DLL", "system's own ui"));
  InstallFrom(source_.path());
  EXPECT_EQ(Installed("PSCRIPT5.DLL"), "system's own");
  EXPECT_EQ(Installed("PS5UI.DLL"), "system's own ui");
  EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
}

TEST_F(InstallationTest, DirectoryNamedLikePostScriptDriverStaysAndOtherFilesAreCopied) {
  const std::string blocker = driverDirectory_ + "\\PSCRIPT5.DLL";
  ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr)) << "CreateDirectoryA failed: " << GetLastError();
  DWORD exitCode = 0;
  std::string errors;
  RunSetupReadingErrors("\"" + source_.path() + "\"", &exitCode, &errors);
  EXPECT_NE(exitCode, 0u) << "PSCRIPT5.DLL is not there";
  EXPECT_NE(errors.find(Utf8FromWide((std::wstring(kThingDriverFile) + L"PSCRIPT5.DLL" + kErrorSeparator +
                                      kWhyFileNotCopied).c_str())),
            std::string::npos)
      << errors;
  EXPECT_TRUE(IsDirectory(blocker)) << "the copy onto a directory must fail and leave it";
  EXPECT_EQ(Installed("PS5UI.DLL"), StandInContent("first", "PS5UI.DLL"));
  EXPECT_EQ(Installed("velmo.inf"), StandInContent("first", "velmo.inf"));
}

TEST_F(InstallationTest, MissingProductFileLeavesItsDestinationAndRegistrationGoesOn) {
  InstallFrom(source_.path());
  TempDirectory second("second");
  ASSERT_TRUE(WriteStandInDriverFiles(second.path(), "second"));
  ASSERT_TRUE(DeleteFileA((second.path() + "\\velmo.ini").c_str()));
  InstallFrom(second.path());
  EXPECT_EQ(Installed("velmo.ini"), StandInContent("first", "velmo.ini"));
  EXPECT_EQ(Installed("velmo.inf"), StandInContent("second", "velmo.inf"));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
}

TEST_F(InstallationTest, ArgumentsAfterSourceDirectoryAreIgnored) {
  DWORD exitCode = 1;
  RunSetup("\"" + source_.path() + "\" C:\\elsewhere --force", &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
}

TEST_F(InstallationTest, RunningProductProcessIsEndedWithExitCodeZero) {
  TempDirectory processes("product");
  ChildProcess product;
  ASSERT_TRUE(StartSleeperAs(processes.path(), "myVELMOjni_x.exe", &product)) << GetLastError();
  InstallFrom(source_.path());
  DWORD exitCode = kSleeperNaturalExitCode;
  ASSERT_TRUE(product.WaitForExit(10000, &exitCode)) << "the product process still runs";
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(InstallationTest, OverlongSourceDirectoryCopiesNothingButStillRegisters) {
  InstallFrom(source_.path());
  TempDirectory second("second");
  ASSERT_TRUE(WriteStandInDriverFiles(second.path(), "second"));
  // Too long for any source path; the files named by it cannot be reached.
  const std::string overlong = second.path() + "\\" + std::string(250, 'x');
  InstallFrom(overlong, kExitSourceIncomplete);
  EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
}

TEST_F(InstallationTest, UnknownDriverDirectoryLeavesEarlierInstallationAlone) {
  InstallFrom(source_.path());
  TempDirectory second("second");
  ASSERT_TRUE(WriteStandInDriverFiles(second.path(), "second"));
  SpoolerClient spooler;
  ASSERT_TRUE(LoadSpoolerClient(&spooler));
  EXPECT_FALSE(InstallPrinter(spooler, second.path().c_str(), nullptr));
  EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u) << "the earlier printer must stay";
}

TEST_F(InstallationTest, OverlongDriverDirectoryLeavesEarlierInstallationAlone) {
  InstallFrom(source_.path());
  const std::string overlong = driverDirectory_ + "\\" + std::string(250, 'd');
  SpoolerClient spooler;
  ASSERT_TRUE(LoadSpoolerClient(&spooler));
  EXPECT_FALSE(InstallPrinter(spooler, source_.path().c_str(), overlong.c_str()));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u) << "the earlier printer must stay";
}

TEST_F(InstallationTest, MissingMonitorLibraryAddsNoMonitorButStillTheDriver) {
  ASSERT_TRUE(RemoveStandInMonitorLibrary()) << "DeleteFileA failed: " << GetLastError();
  InstallFrom(source_.path(), kExitNotInstalled);
  std::string library;
  EXPECT_FALSE(FindMonitor(kMonitorName, &library));
  EXPECT_FALSE(PortListed(kPortName));
  InstalledDriver driver;
  EXPECT_TRUE(FindDriver(kPrinterName, &driver)) << "the driver is added whatever the monitor's outcome";
}

// Each failure an installer meets, run for real: an exit code and a line on
// standard error naming the cause; mended, the same machine installs with
// exit code 0 and writes nothing.
TEST_F(InstallationTest, EachFailureIsNamedAndTheMendedMachineInstallsSilently) {
  const std::string noFolder = source_.path() + "\\no such folder";
  const std::string source = source_.path();
  auto line = [](const std::wstring& thing, const wchar_t* why) {
    return Utf8FromWide((std::wstring(kConsolePrefix) + thing + kErrorSeparator + why).c_str());
  };
  auto deletePostScript = [&source] {
    return DeleteFileA((source + "\\PSCRIPT5.DLL").c_str()) && DeleteFileA((source + "\\PS5UI.DLL").c_str());
  };
  auto plantPortless = [] {
    return CopyFileA((BinaryDirectory() + "\\braskmon_portless.dll").c_str(),
                     (SystemDirectory() + "\\" + kMonitorLibrary).c_str(), FALSE) != FALSE;
  };
  auto nothing = [] { return true; };
  const struct {
    const char* failure;
    std::function<bool()> breakIt, mend;
    std::string brokenSource;
    int exitCode;
    std::vector<std::string> causes;
  } kFailures[] = {
      {"missing source folder", nothing, nothing, noFolder, kExitSourceIncomplete,
       {line(kThingSourceFolder + Widen(noFolder), kWhySourceFolder)}},
      {"missing PostScript files", deletePostScript, [&source] { return WriteStandInDriverFiles(source, "first"); },
       source, kExitSourceIncomplete,
       {line(std::wstring(kThingDriverFile) + L"PSCRIPT5.DLL", kWhyFileNowhere),
        line(std::wstring(kThingDriverFile) + L"PS5UI.DLL", kWhyFileNowhere)}},
      {"missing monitor library", RemoveStandInMonitorLibrary, InstallStandInMonitorLibrary, source,
       kExitNotInstalled, {line(std::wstring(kThingMonitor) + L"Vudav Adiv\uFF08braskmon.dll\uFF09", kWhyMonitor)}},
      {"monitor without the port", plantPortless, InstallStandInMonitorLibrary, source, kExitNotInstalled,
       {line(std::wstring(kThingPort) + L"BRASK:", kWhyPort)}},
  };
  for (const auto& failure : kFailures) {
    SCOPED_TRACE(failure.failure);
    RemoveProductInstallation();
    ASSERT_TRUE(failure.breakIt()) << "breaking the machine failed: " << GetLastError();
    DWORD exitCode = 0;
    std::string errors;
    RunSetupReadingErrors("\"" + failure.brokenSource + "\"", &exitCode, &errors);
    EXPECT_EQ(exitCode, static_cast<DWORD>(failure.exitCode)) << errors;
    for (const std::string& cause : failure.causes) EXPECT_NE(errors.find(cause), std::string::npos) << errors;

    ASSERT_TRUE(failure.mend()) << "mending the machine failed: " << GetLastError();
    RunSetupReadingErrors("\"" + source + "\"", &exitCode, &errors);
    EXPECT_EQ(exitCode, 0u) << "mended";
    EXPECT_EQ(errors, "") << "mended";
    EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u) << "mended";
  }
}

TEST_F(InstallationTest, WinspoolPlantedBesideTheProgramIsNotLoaded) {
  const std::string planted = programDirectory_.path() + "\\winspool.drv";
  ASSERT_TRUE(CopyFileA((BinaryDirectory() + "\\planted\\winspool.drv").c_str(), planted.c_str(), FALSE))
      << "copying the planted winspool.drv failed: " << GetLastError();
  PreferNativeWinspool preferPlanted;
  ASSERT_TRUE(preferPlanted.set()) << "setting Wine's DllOverrides for printersetup.exe failed";

  InstallFrom(source_.path());

  EXPECT_EQ(ReadWholeFile(programDirectory_.path() + "\\planted-winspool-was-loaded"), "<missing>")
      << "printersetup loaded the winspool.drv beside it";
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u) << "the installation must go through the system's spooler";
  std::string library;
  EXPECT_TRUE(FindMonitor(kMonitorName, &library));
}

namespace {

constexpr char kOtherDriver[] = "Other Vendor PostScript";
constexpr char kOtherPrinter[] = "Other Vendor Printer";
constexpr char kOtherPort[] = "FILE:";

// Someone else's PostScript printer: its own driver on the same PSCRIPT5.DLL
// and PS5UI.DLL, on a port of another monitor.  Removed again when it goes.
class OtherVendorPrinter {
 public:
  explicit OtherVendorPrinter(const std::string& driverDirectory) : directory_(driverDirectory) {}
  ~OtherVendorPrinter() {
    DeletePrinterAndDriver(kOtherPrinter, kOtherDriver);
    DeleteFileA((directory_ + "\\other.ppd").c_str());
    DeleteFileA((directory_ + "\\3\\other.ppd").c_str());
  }
  OtherVendorPrinter(const OtherVendorPrinter&) = delete;
  OtherVendorPrinter& operator=(const OtherVendorPrinter&) = delete;

  // Adds driver and printer; false with the failing call's error code.
  bool Add() {
    if (!WriteWholeFile(directory_ + "\\other.ppd", "other vendor's ppd")) return false;
    std::string driverPath = directory_ + "\\PSCRIPT5.DLL", dataFile = directory_ + "\\other.ppd",
                configFile = directory_ + "\\PS5UI.DLL";
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<char*>(kOtherDriver);
    driver.pDriverPath = &driverPath[0];
    driver.pDataFile = &dataFile[0];
    driver.pConfigFile = &configFile[0];
    if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) return false;
    PRINTER_INFO_2A record{};
    record.pPrinterName = const_cast<char*>(kOtherPrinter);
    record.pPortName = const_cast<char*>(kOtherPort);
    record.pDriverName = const_cast<char*>(kOtherDriver);
    record.pPrintProcessor = const_cast<char*>("WinPrint");
    record.pDatatype = const_cast<char*>("RAW");
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&record));
    if (printer == nullptr) return false;
    ClosePrinter(printer);
    return true;
  }

 private:
  std::string directory_;
};

}  // namespace

// Every spelling of the word removes; the product leaves nothing the spooler
// or the driver directory would show, and the other vendor's printer, driver,
// port and the shared PostScript driver files stay as they were.
TEST_F(InstallationTest, UninstallRemovesTheProductAndLeavesOthersAlone) {
  for (const char* word : {"/uninstall", "/UNINSTALL", "/UnInstall"}) {
    SCOPED_TRACE(word);
    InstallFrom(source_.path());
    ASSERT_EQ(PrintersNamed(kPrinterName).size(), 1u);
    OtherVendorPrinter other(driverDirectory_);
    ASSERT_TRUE(other.Add()) << "adding another vendor's printer failed: " << GetLastError();

    DWORD exitCode = 1;
    RunSetup(word, &exitCode);
    EXPECT_EQ(exitCode, 0u);

    std::string library;
    EXPECT_FALSE(FindMonitor(kMonitorName, &library)) << "the monitor is left";
    EXPECT_FALSE(PortListed(kPortName)) << "the port is left";
    InstalledDriver driver;
    EXPECT_FALSE(FindDriver(kPrinterName, &driver)) << "the driver is left";
    EXPECT_TRUE(PrintersNamed(kPrinterName).empty()) << "the printer is left";
    for (const char* file : {"velmo.ppd", "velmops.dll", "velmo.ini", "velmo.inf"}) {
      EXPECT_EQ(Installed(file), "<missing>") << file;
      EXPECT_EQ(Installed(std::string("3\\") + file), "<missing>") << "3\\" << file;
    }
    EXPECT_EQ(Installed("PSCRIPT5.DLL"), StandInContent("first", "PSCRIPT5.DLL"));
    EXPECT_EQ(Installed("PS5UI.DLL"), StandInContent("first", "PS5UI.DLL"));

    const std::vector<InstalledPrinter> others = PrintersNamed(kOtherPrinter);
    ASSERT_EQ(others.size(), 1u) << "the other vendor's printer is gone";
    EXPECT_EQ(others[0].driver, kOtherDriver);
    EXPECT_EQ(others[0].port, kOtherPort);
    EXPECT_TRUE(FindDriver(kOtherDriver, &driver)) << "the other vendor's driver is gone";
    EXPECT_TRUE(PortListed(kOtherPort));
    EXPECT_EQ(Installed("other.ppd"), "other vendor's ppd");
  }
}

TEST_F(InstallationTest, UninstallWithNothingInstalledExitsZero) {
  DWORD exitCode = 1;
  RunSetup("/uninstall", &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(PrintersNamed(kPrinterName).empty());
}

TEST_F(InstallationTest, UninstallThatCannotDeleteAProductFileExitsMinusOne) {
  InstallFrom(source_.path());
  // Held open without sharing deletion, as a program reading it would.
  HANDLE held = CreateFileA((driverDirectory_ + "\\velmo.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE) << "CreateFileA failed: " << GetLastError();
  DWORD exitCode = 0;
  RunSetup("/uninstall", &exitCode);
  CloseHandle(held);
  EXPECT_EQ(exitCode, static_cast<DWORD>(-1));
  EXPECT_TRUE(PrintersNamed(kPrinterName).empty()) << "the rest is removed all the same";
  EXPECT_EQ(Installed("velmo.ppd"), "<missing>");
}

// Only the word alone removes: with another argument it is a source
// directory like any other, as it always was (and no such folder exists).
TEST_F(InstallationTest, UninstallWordWithAnotherArgumentInstalls) {
  DWORD exitCode = 1;
  RunSetup("/uninstall now", &exitCode);
  EXPECT_EQ(exitCode, static_cast<DWORD>(kExitSourceIncomplete));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
}

// Users of Simplified and Traditional Chinese, English and Japanese Windows:
// the spooler holds the same Chinese names for each, and the removal finds them.
TEST_F(InstallationTest, EveryCodePageInstallsAndRemovesTheSameChineseNames) {
  const struct {
    const char* locale;
    DWORD codePage;
  } kWindows[] = {{"zh_CN.UTF-8", 936}, {"zh_TW.UTF-8", 950}, {"en_US.UTF-8", 1252}, {"ja_JP.UTF-8", 932}};
  const std::wstring name = L"\u9752\u79BE\u821F\u624B\u673A\u53D1\u5E03";  // the product's phone publishing
  for (const auto& windows : kWindows) {
    SCOPED_TRACE(windows.locale);
    DWORD other = 1;
    ASSERT_TRUE(RunProgramUnderLocale(Widen(BinaryDirectory() + "\\setup_sleeper.exe"),
                                      {L"--code-page", std::to_wstring(windows.codePage)}, windows.locale, &other));
    ASSERT_EQ(other, 0u) << "the child does not run under code page " << windows.codePage;
    RunSetupUnder(windows.locale, Widen(source_.path()));
    std::wstring driver;
    ASSERT_TRUE(FindPrinterW(name, &driver)) << "EnumPrintersW does not list the printer";
    EXPECT_EQ(driver, name) << "the printer's driver";
    EXPECT_TRUE(DriverListedW(name)) << "EnumPrinterDriversW does not list the driver";
    EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
    wchar_t defaultPrinter[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    EXPECT_TRUE(GetDefaultPrinterW(defaultPrinter, &size) && name == defaultPrinter) << "not the default printer";
    RunSetupUnder(windows.locale, L"/uninstall");
    EXPECT_FALSE(FindPrinterW(name, &driver)) << "the printer is left";
    EXPECT_FALSE(DriverListedW(name)) << "the driver is left";
  }
}

// A Korean user name or an emoji in the folder: the code page has no
// spelling for it, and the installer still reaches the six files.
TEST_F(InstallationTest, SourceFolderCodePage936CannotSpellInstallsWithItsSixFiles) {
  const std::wstring folder = Widen(source_.path()) + L"\\\uD55C\uAE00 \U0001F600 src";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "CreateDirectoryW failed: " << GetLastError();
  for (const char* file : kDriverFileNames) {
    ASSERT_TRUE(WriteWholeFileW(folder + L"\\" + Widen(file), StandInContent("hangul", file))) << GetLastError();
  }
  RunSetupUnder("zh_CN.UTF-8", folder);
  for (const char* file : kDriverFileNames) {
    EXPECT_EQ(Installed(file), StandInContent("hangul", file)) << file;
  }
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
}

namespace {

bool IsDirectoryW(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// jvmhost's shared trace folders: the one found (made before the
// installation) is kept, the other made, and the removal leaves both.  Wine
// keeps no ACLs on files, so their owner and DACL are judged as SDDL
// (TraceFolders.*).
TEST_F(InstallationTest, InstallationMakesTheSharedTraceFoldersAndRemovalLeavesThem) {
  wchar_t programData[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, programData), S_OK);
  const std::wstring velmo = std::wstring(programData) + L"\\Velmo", trace = velmo + L"\\trace";
  // Traces of earlier tests may be there: kept aside, and put back at the end.
  const std::wstring kept = velmo + L".kept";
  const bool hadVelmo = MoveFileW(velmo.c_str(), kept.c_str()) != 0;
  ASSERT_TRUE(CreateDirectoryW(velmo.c_str(), nullptr)) << "CreateDirectoryW failed: " << GetLastError();
  InstallFrom(source_.path());
  EXPECT_TRUE(IsDirectoryW(trace));
  DWORD exitCode = 1;
  RunSetup("/uninstall", &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(IsDirectoryW(trace)) << "the removal must leave it";
  RemoveDirectoryW(trace.c_str());
  RemoveDirectoryW(velmo.c_str());
  if (hadVelmo) MoveFileW(kept.c_str(), velmo.c_str());
}

// Each function the installer calls comes from the system directory's
// winspool.drv, whatever this test program imports itself.
TEST(SpoolerClient, EveryFunctionIsBoundFromTheSystemsWinspool) {
  SpoolerClient spooler;
  ASSERT_TRUE(LoadSpoolerClient(&spooler));
  const std::string expected = SystemDirectory() + "\\winspool.drv";
  const void* const functions[] = {
      reinterpret_cast<void*>(spooler.getPrinterDriverDirectory), reinterpret_cast<void*>(spooler.openPrinter),
      reinterpret_cast<void*>(spooler.closePrinter),          reinterpret_cast<void*>(spooler.deletePrinter),
      reinterpret_cast<void*>(spooler.deletePrinterDriver),   reinterpret_cast<void*>(spooler.deleteMonitor),
      reinterpret_cast<void*>(spooler.addMonitor),            reinterpret_cast<void*>(spooler.addPort),
      reinterpret_cast<void*>(spooler.addPrinterDriver),      reinterpret_cast<void*>(spooler.addPrinter),
      reinterpret_cast<void*>(spooler.enumPrinters),          reinterpret_cast<void*>(spooler.enumPrinterDrivers),
      reinterpret_cast<void*>(spooler.enumMonitors),          reinterpret_cast<void*>(spooler.enumPorts),
      reinterpret_cast<void*>(spooler.setDefaultPrinter),     reinterpret_cast<void*>(spooler.ordinal202)};
  for (size_t i = 0; i < sizeof functions / sizeof functions[0]; ++i) {
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   static_cast<const char*>(functions[i]), &module))
        << "function " << i << ": GetModuleHandleExA failed: " << GetLastError();
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module, path, MAX_PATH), 0u) << GetLastError();
    EXPECT_EQ(_stricmp(path, expected.c_str()), 0) << "function " << i << " from " << path;
  }
}
