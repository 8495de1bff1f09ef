// The words of a failure line and the exit code of a failed installation:
// plain functions of the findings and their error codes, so a table can
// judge every refusal Windows gives without a Windows that gives it.
#include <string>

#include "setup/console_texts.h"
#include "setup/exit_codes.h"
#include "setup/setup.h"

namespace {

// Not in every SDK's winerror.h: Point and Print wants the driver downloaded
// (from a print server), which the policy forbids.
constexpr DWORD kErrorPrinterDriverDownloadNeeded = 3019;

// The codes the spooler answers with when policy keeps a driver out: a driver
// known to be unreliable or harmful, one Point and Print may not fetch, and
// every third-party driver under Windows protected print mode.
bool IsDriverPolicyError(DWORD error) {
  return error == ERROR_PRINTER_DRIVER_WARNED || error == ERROR_PRINTER_DRIVER_BLOCKED ||
         error == kErrorPrinterDriverDownloadNeeded;
}

int ExitCodeOf(const Finding& finding) {
  if (finding.error == RPC_S_SERVER_UNAVAILABLE) return kExitSpoolerNotRunning;
  if (finding.error == ERROR_ACCESS_DENIED) return kExitNotElevated;
  if (finding.kind == FindingKind::kSourceFolderMissing || finding.kind == FindingKind::kFileNowhere) {
    return kExitSourceIncomplete;
  }
  if (IsDriverPolicyError(finding.error)) return kExitDriverBlocked;
  return kExitNotInstalled;
}

// What the line is about, and why it is not there.
struct Words {
  const wchar_t* thing;
  const wchar_t* why;
};

Words WordsFor(FindingKind kind) {
  switch (kind) {
    case FindingKind::kSourceFolderMissing: return {kThingSourceFolder, kWhySourceFolder};
    case FindingKind::kSpoolerClientMissing: return {kThingSpoolerClient, kWhySpoolerClient};
    case FindingKind::kDriverDirectoryUnknown: return {kThingDriverDirectory, kWhyDriverDirectory};
    case FindingKind::kFileNowhere: return {kThingDriverFile, kWhyFileNowhere};
    case FindingKind::kFileNotCopied: return {kThingDriverFile, kWhyFileNotCopied};
    case FindingKind::kSpoolerCopyMissing: return {kThingSpoolerCopy, kWhySpoolerCopy};
    case FindingKind::kMonitorMissing: return {kThingMonitor, kWhyMonitor};
    case FindingKind::kPortMissing: return {kThingPort, kWhyPort};
    case FindingKind::kDriverRefused: return {kThingDriver, kWhyRefused};
    case FindingKind::kDriverMissing: return {kThingDriver, kWhyDriverMissing};
    case FindingKind::kPrinterRefused: return {kThingPrinter, kWhyRefused};
    case FindingKind::kPrinterMissing: return {kThingPrinter, kWhyPrinterMissing};
  }
  return {L"", L""};
}

}  // namespace

int ExitCodeFor(const std::vector<Finding>& findings) {
  int code = kExitInstalled;
  for (const Finding& finding : findings) {
    const int own = ExitCodeOf(finding);
    if (code == kExitInstalled || own < code) code = own;
  }
  return code;
}

const wchar_t* AdviceForError(DWORD error) {
  if (error == ERROR_ACCESS_DENIED) return kAdviceNotElevated;
  if (error == RPC_S_SERVER_UNAVAILABLE) return kAdviceSpoolerStopped;
  if (IsDriverPolicyError(error)) return kAdviceDriverBlocked;
  return L"";
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return std::wstring();
  std::wstring result(text, length);
  LocalFree(text);
  // The system's texts end with a line break, the line has its own.
  while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' ')) {
    result.pop_back();
  }
  return result;
}

std::wstring FindingLine(const Finding& finding, const std::wstring& systemText) {
  const Words words = WordsFor(finding.kind);
  std::wstring line = std::wstring(kConsolePrefix) + words.thing + finding.subject + kErrorSeparator + words.why;
  line += kErrorOpen + std::to_wstring(finding.error);
  if (!systemText.empty()) line += kErrorSeparator + systemText;
  return line + kErrorClose + AdviceForError(finding.error);
}

void ReportFindings(const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) WriteErrorLine(FindingLine(finding, SystemErrorText(finding.error)));
}
