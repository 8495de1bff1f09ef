// The last spooler call of the installation: the new printer becomes the
// current user's default.  SetDefaultPrinterW takes the name as the spooler
// holds it, on every code page; export 202 (SetDefaultPrinterA) only a name
// the ANSI code page spells, which on 950, 1252 or 932 this one is not.
#include <string>

#include "setup/code_pages.h"
#include "setup/setup.h"
#include "setup/trace.h"

DefaultPrinterCall ChooseDefaultPrinterCall(bool haveWide, bool haveOrdinal202, bool nameSpelled) {
  if (haveWide) return DefaultPrinterCall::kWide;
  // The converted name of a code page that cannot spell it would be "?"
  // characters naming some other printer or none.
  if (haveOrdinal202 && nameSpelled) return DefaultPrinterCall::kOrdinal202;
  return DefaultPrinterCall::kNone;
}

void MakeDefaultPrinter(const SpoolerClient& spooler, const std::wstring& printerName) {
  std::string spelled;
  const bool nameSpelled = AnsiSpelling(printerName.c_str(), &spelled);
  // Its result decides nothing; a refusal is only worth a trace.
  switch (ChooseDefaultPrinterCall(spooler.setDefaultPrinter != nullptr, spooler.ordinal202 != nullptr, nameSpelled)) {
    case DefaultPrinterCall::kWide:
      if (!spooler.setDefaultPrinter(printerName.c_str())) TraceStepFailure(SETUP_TRACE_DEFAULT_PRINTER, GetLastError());
      break;
    case DefaultPrinterCall::kOrdinal202:
      if (!spooler.ordinal202(spelled.c_str())) TraceStepFailure(SETUP_TRACE_ORDINAL_202, GetLastError());
      break;
    case DefaultPrinterCall::kNone:
      TraceStepFailure(SETUP_TRACE_NO_DEFAULT_PRINTER, nameSpelled ? ERROR_PROC_NOT_FOUND : ERROR_NO_UNICODE_TRANSLATION);
      break;
  }
}
