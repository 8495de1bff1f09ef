// The whole installer against Wine's real spooler: printersetup.exe runs as a
// child process on stand-in driver files and the stand-in port monitor.
// Every test starts from and leaves a spooler without the product's printer,
// driver and monitor.
#include <windows.h>
#include <winspool.h>

#include <string>

#include <gtest/gtest.h>

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
  void InstallFrom(const std::string& sourceDirectory) {
    DWORD exitCode = 1;
    RunSetup("\"" + sourceDirectory + "\"", &exitCode);
    EXPECT_EQ(exitCode, 0u);
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
  RunSetup("", &exitCode);
  EXPECT_EQ(exitCode, static_cast<DWORD>(-1));

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
  InstallFrom(source_.path());
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
  InstallFrom(overlong);
  EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u);
}

TEST_F(InstallationTest, UnknownDriverDirectoryLeavesEarlierInstallationAlone) {
  InstallFrom(source_.path());
  TempDirectory second("second");
  ASSERT_TRUE(WriteStandInDriverFiles(second.path(), "second"));
  EXPECT_FALSE(InstallPrinter(second.path().c_str(), nullptr));
  EXPECT_EQ(Installed("velmo.ppd"), StandInContent("first", "velmo.ppd"));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u) << "the earlier printer must stay";
}

TEST_F(InstallationTest, OverlongDriverDirectoryLeavesEarlierInstallationAlone) {
  InstallFrom(source_.path());
  const std::string overlong = driverDirectory_ + "\\" + std::string(250, 'd');
  EXPECT_FALSE(InstallPrinter(source_.path().c_str(), overlong.c_str()));
  EXPECT_EQ(PrintersNamed(kPrinterName).size(), 1u) << "the earlier printer must stay";
}

TEST_F(InstallationTest, MissingMonitorLibraryAddsNoMonitorButStillTheDriver) {
  ASSERT_TRUE(RemoveStandInMonitorLibrary()) << "DeleteFileA failed: " << GetLastError();
  InstallFrom(source_.path());
  std::string library;
  EXPECT_FALSE(FindMonitor(kMonitorName, &library));
  EXPECT_FALSE(PortListed(kPortName));
  InstalledDriver driver;
  EXPECT_TRUE(FindDriver(kPrinterName, &driver)) << "the driver is added whatever the monitor's outcome";
}

TEST(SpoolerOrdinal202, ExportIsBoundByOrdinal) {
  EXPECT_TRUE(CallSpoolerOrdinal202("No printer of this name"));
}
