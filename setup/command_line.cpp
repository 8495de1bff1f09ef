// The program's arguments, split from the wide command line.  The C runtime's
// own argv goes through the ANSI code page with best fit: a character it
// cannot spell becomes "?" or a look-alike, and a full-width quote that
// becomes '"' changes where the arguments split.
#include "setup/setup.h"

#include <shellapi.h>

#include "setup/trace.h"

CommandLineArguments::CommandLineArguments() {
  values_ = CommandLineToArgvW(GetCommandLineW(), &count_);
  if (values_ == nullptr) {
    TraceStepFailure(SETUP_TRACE_COMMAND_LINE, GetLastError());
    count_ = 0;
  }
}

CommandLineArguments::~CommandLineArguments() {
  // Nothing to do about a refusal at the end of the program.
  if (values_ != nullptr) LocalFree(values_);
}
