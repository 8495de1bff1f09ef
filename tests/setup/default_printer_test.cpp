// Which call makes the installed printer the default.
#include <gtest/gtest.h>

#include "setup/setup.h"

TEST(DefaultPrinter, WideNameWhereverBoundElseOrdinal202ForASpelledName) {
  const struct {
    bool wide, ordinal202, spelled;
    DefaultPrinterCall call;
  } kSpoolers[] = {
      {true, true, false, DefaultPrinterCall::kWide},        // 950, 1252, 932
      {true, false, true, DefaultPrinterCall::kWide},        // no export 202
      {false, true, true, DefaultPrinterCall::kOrdinal202},  // 936 without SetDefaultPrinterW
      {false, true, false, DefaultPrinterCall::kNone},
      {false, false, true, DefaultPrinterCall::kNone},
  };
  for (const auto& spooler : kSpoolers) {
    EXPECT_EQ(ChooseDefaultPrinterCall(spooler.wide, spooler.ordinal202, spooler.spelled), spooler.call)
        << spooler.wide << spooler.ordinal202 << spooler.spelled;
  }
}
