// The texts printersetup writes on standard error when an installation
// fails, and its usage line: Chinese, as UTF-16 (written with WriteConsoleW on
// a console, as UTF-8 into a file or a pipe), so that they read the same on
// every code page.  A failure line is
//   prefix + thing + name + separator + why + error part + advice.
// Generated as escaped literals; the English meaning is beside each.
#pragma once

// the program's name, starting every line
constexpr wchar_t kConsolePrefix[] = L"printersetup\uFF1A";

// usage: printersetup SOURCE-DIRECTORY installs the virtual printer from SOURCE-DIRECTORY (the folder
// of the printer files); printersetup /uninstall removes it. Run it as administrator.
constexpr wchar_t kUsageLine[] =
    L"\u7528\u6CD5\uFF1Aprintersetup SOURCE-DIRECTORY \u4ECE SOURCE-DIRECTORY\uFF08\u5B58\u653E\u6253"
    L"\u5370\u673A\u6587\u4EF6\u7684\u6587\u4EF6\u5939\uFF09\u5B89\u88C5\u865A\u62DF\u6253\u5370"
    L"\u673A\u201C\u9752\u79BE\u821F\u624B\u673A\u53D1\u5E03\u201D\uFF1Bprintersetup /uninstall "
    L"\u5220\u9664\u5B83\u3002\u8BF7\u4EE5\u7BA1\u7406\u5458\u8EAB\u4EFD\u8FD0\u884C\u3002";

// the source folder (its path follows)
constexpr wchar_t kThingSourceFolder[] = L"\u6E90\u6587\u4EF6\u5939 ";

// does not exist or is not a folder
constexpr wchar_t kWhySourceFolder[] = L"\u4E0D\u5B58\u5728\u6216\u4E0D\u662F\u6587\u4EF6\u5939";

// the print spooler client (winspool.drv follows)
constexpr wchar_t kThingSpoolerClient[] = L"\u540E\u53F0\u6253\u5370\u7A0B\u5E8F\u5BA2\u6237\u7AEF ";

// cannot be loaded; the printer cannot be installed
constexpr wchar_t kWhySpoolerClient[] =
    L"\u65E0\u6CD5\u52A0\u8F7D\uFF0C\u6253\u5370\u673A\u65E0\u6CD5\u5B89\u88C5";

// the printer-driver directory
constexpr wchar_t kThingDriverDirectory[] = L"\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F\u76EE\u5F55";

// the spooler did not name it; nothing was copied or registered
constexpr wchar_t kWhyDriverDirectory[] =
    L"\u540E\u53F0\u6253\u5370\u7A0B\u5E8F\u6CA1\u6709\u7ED9\u51FA\uFF0C\u672A\u590D\u5236\u6216"
    L"\u6CE8\u518C\u4EFB\u4F55\u5185\u5BB9";

// the driver file (its name follows)
constexpr wchar_t kThingDriverFile[] = L"\u9A71\u52A8\u7A0B\u5E8F\u6587\u4EF6 ";

// is neither in the source folder nor in the printer-driver directory
constexpr wchar_t kWhyFileNowhere[] =
    L"\u65E2\u4E0D\u5728\u6E90\u6587\u4EF6\u5939\u4E2D\uFF0C\u4E5F\u4E0D\u5728\u6253\u5370\u673A"
    L"\u9A71\u52A8\u7A0B\u5E8F\u76EE\u5F55\u4E2D";

// could not be copied into the printer-driver directory
constexpr wchar_t kWhyFileNotCopied[] =
    L"\u65E0\u6CD5\u590D\u5236\u5230\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F\u76EE\u5F55";

// the spooler's own copy of a driver file (its path follows)
constexpr wchar_t kThingSpoolerCopy[] =
    L"\u540E\u53F0\u6253\u5370\u7A0B\u5E8F\u4FDD\u5B58\u7684\u9A71\u52A8\u7A0B\u5E8F\u6587\u4EF6"
    L" ";

// is not there
constexpr wchar_t kWhySpoolerCopy[] = L"\u4E0D\u5B58\u5728";

// the port monitor (its name and library follow)
constexpr wchar_t kThingMonitor[] = L"\u7AEF\u53E3\u76D1\u89C6\u5668 ";

// could not be added (its library must lie in the system directory)
constexpr wchar_t kWhyMonitor[] =
    L"\u65E0\u6CD5\u6DFB\u52A0\uFF08\u5176\u7A0B\u5E8F\u5E93\u987B\u4F4D\u4E8E\u7CFB\u7EDF\u76EE"
    L"\u5F55\u4E2D\uFF09";

// the port (its name follows)
constexpr wchar_t kThingPort[] = L"\u7AEF\u53E3 ";

// the port monitor Vudav Adiv does not provide it
constexpr wchar_t kWhyPort[] =
    L"\u7AEF\u53E3\u76D1\u89C6\u5668 Vudav Adiv \u6CA1\u6709\u63D0\u4F9B\u6B64\u7AEF\u53E3";

// the printer driver (its name follows)
constexpr wchar_t kThingDriver[] = L"\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F ";

// the printer (its name follows)
constexpr wchar_t kThingPrinter[] = L"\u6253\u5370\u673A ";

// the spooler refused to add it
constexpr wchar_t kWhyRefused[] = L"\u540E\u53F0\u6253\u5370\u7A0B\u5E8F\u62D2\u7EDD\u6DFB\u52A0";

// the spooler does not hold it after the installation
constexpr wchar_t kWhyDriverMissing[] =
    L"\u5B89\u88C5\u540E\u540E\u53F0\u6253\u5370\u7A0B\u5E8F\u4E2D\u6CA1\u6709\u6B64\u9A71\u52A8"
    L"\u7A0B\u5E8F";

// is not there after the installation, or not on the port BRASK: with its driver
constexpr wchar_t kWhyPrinterMissing[] =
    L"\u5B89\u88C5\u540E\u4E0D\u5B58\u5728\uFF0C\u6216\u4E0D\u5728\u7AEF\u53E3 BRASK: \u4E0A\u4F7F"
    L"\u7528\u5176\u9A71\u52A8\u7A0B\u5E8F";

// opens the error part: (error
constexpr wchar_t kErrorOpen[] = L"\uFF08\u9519\u8BEF ";

// between the error number and its system text
constexpr wchar_t kErrorSeparator[] = L"\uFF1A";

// closes the error part
constexpr wchar_t kErrorClose[] = L"\uFF09";

// . Run printersetup as administrator (right-click, Run as administrator, or from an elevated
// installer)
constexpr wchar_t kAdviceNotElevated[] =
    L"\u3002\u8BF7\u4EE5\u7BA1\u7406\u5458\u8EAB\u4EFD\u8FD0\u884C printersetup\uFF08\u53F3\u952E"
    L"\u5355\u51FB\u5E76\u9009\u62E9\u201C\u4EE5\u7BA1\u7406\u5458\u8EAB\u4EFD\u8FD0\u884C\u201D"
    L"\uFF0C\u6216\u7531\u5DF2\u63D0\u5347\u6743\u9650\u7684\u5B89\u88C5\u7A0B\u5E8F\u542F\u52A8"
    L"\uFF09";

// . The Print Spooler service is not running: start it, then run printersetup again
constexpr wchar_t kAdviceSpoolerStopped[] =
    L"\u3002Print Spooler\uFF08\u6253\u5370\u540E\u53F0\u5904\u7406\u7A0B\u5E8F\uFF09\u670D\u52A1"
    L"\u6CA1\u6709\u8FD0\u884C\uFF1A\u8BF7\u542F\u52A8\u8BE5\u670D\u52A1\uFF0C\u518D\u8FD0\u884C"
    L" printersetup";

// . The printer driver is blocked by policy: check the Point and Print restrictions in Group Policy,
// and Windows protected print mode (on Windows 11 24H2 and later it removes and blocks third-party
// printer drivers when on)
constexpr wchar_t kAdviceDriverBlocked[] =
    L"\u3002\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F\u88AB\u7B56\u7565\u963B\u6B62\uFF1A\u8BF7"
    L"\u68C0\u67E5\u7EC4\u7B56\u7565\u4E2D\u7684\u201C\u6307\u5411\u5E76\u6253\u5370\u201D\uFF08"
    L"Point and Print\uFF09\u9650\u5236\uFF0C\u4EE5\u53CA Windows \u53D7\u4FDD\u62A4\u7684\u6253"
    L"\u5370\u6A21\u5F0F\uFF08Windows protected print mode\uFF1B\u5728 Windows 11 24H2 \u53CA\u66F4"
    L"\u9AD8\u7248\u672C\u4E2D\u542F\u7528\u65F6\uFF0C\u5B83\u4F1A\u5220\u9664\u5E76\u963B\u6B62"
    L"\u7B2C\u4E09\u65B9\u6253\u5370\u673A\u9A71\u52A8\u7A0B\u5E8F\uFF09";
