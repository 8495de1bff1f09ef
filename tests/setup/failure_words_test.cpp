// The refusals of today's Windows, judged on a spooler client that refuses
// every call with one error code: the exit code, and the words of the line
// that names the refused driver.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "setup/console_texts.h"
#include "setup/exit_codes.h"
#include "setup/setup.h"
#include "tests/setup/child_process.h"
#include "tests/setup/spooler_state.h"

namespace {

DWORD gRefusal = ERROR_SUCCESS;

template <typename Result, typename... Arguments>
Result WINAPI Refuse(Arguments...) {
  SetLastError(gRefusal);
  return Result{};
}

template <typename Result, typename... Arguments>
void Refusing(Result(WINAPI*& slot)(Arguments...)) {
  slot = &Refuse<Result, Arguments...>;
}

SpoolerClient RefusingSpooler() {
  SpoolerClient spooler{};
  Refusing(spooler.getPrinterDriverDirectory), Refusing(spooler.openPrinter), Refusing(spooler.closePrinter);
  Refusing(spooler.deletePrinter), Refusing(spooler.deletePrinterDriver), Refusing(spooler.deleteMonitor);
  Refusing(spooler.addMonitor), Refusing(spooler.addPort), Refusing(spooler.addPrinterDriver);
  Refusing(spooler.addPrinter), Refusing(spooler.enumPrinters), Refusing(spooler.enumPrinterDrivers);
  Refusing(spooler.enumMonitors), Refusing(spooler.enumPorts), Refusing(spooler.setDefaultPrinter);
  Refusing(spooler.ordinal202);
  return spooler;
}

}  // namespace

TEST(FailureWords, EachRefusalHasItsExitCodeAndItsWords) {
  const struct {
    DWORD refusal;
    int exitCode;
    const wchar_t* advice;
    const wchar_t* named;  // what the line must name
  } kRefusals[] = {
      {ERROR_ACCESS_DENIED, kExitNotElevated, kAdviceNotElevated, L"\u4EE5\u7BA1\u7406\u5458\u8EAB\u4EFD\u8FD0\u884C"},
      {RPC_S_SERVER_UNAVAILABLE, kExitSpoolerNotRunning, kAdviceSpoolerStopped, L"Print Spooler"},
      {ERROR_PRINTER_DRIVER_BLOCKED, kExitDriverBlocked, kAdviceDriverBlocked, L"Point and Print"},
      {ERROR_PRINTER_DRIVER_WARNED, kExitDriverBlocked, kAdviceDriverBlocked, L"Windows protected print mode"},
      {3019, kExitDriverBlocked, kAdviceDriverBlocked, L"Windows 11 24H2"},  // download needed
      {ERROR_INVALID_PARAMETER, kExitNotInstalled, L"", L""},
  };
  TempDirectory source("words_source"), driverDirectory("words_drivers");
  ASSERT_TRUE(WriteStandInDriverFiles(source.path(), "words")) << GetLastError();
  const SpoolerClient spooler = RefusingSpooler();
  SpoolerNames names;
  ASSERT_TRUE(ConvertSpoolerNames(&names));
  for (const auto& row : kRefusals) {
    SCOPED_TRACE(row.refusal);
    gRefusal = row.refusal;
    InstallationSteps steps;
    ASSERT_TRUE(InstallPrinter(spooler, source.path().c_str(), driverDirectory.path().c_str(), &steps));
    std::vector<Finding> findings;
    JudgeInstallation(spooler, names, Widen(source.path()).c_str(), source.path().c_str(),
                      driverDirectory.path().c_str(), steps, &findings);
    EXPECT_EQ(ExitCodeFor(findings), row.exitCode);
    const Finding* driver = nullptr;
    for (const Finding& finding : findings) {
      if (finding.kind == FindingKind::kDriverRefused) driver = &finding;
    }
    ASSERT_NE(driver, nullptr) << "no line names the refused driver";
    EXPECT_EQ(driver->error, row.refusal);
    const std::wstring line = FindingLine(*driver, L"system text");
    EXPECT_EQ(line, std::wstring(kConsolePrefix) + kThingDriver + names.printer + kErrorSeparator + kWhyRefused +
                        kErrorOpen + std::to_wstring(row.refusal) + kErrorSeparator + L"system text" + kErrorClose +
                        row.advice);
    EXPECT_NE(line.find(row.named), std::wstring::npos);
  }
}
