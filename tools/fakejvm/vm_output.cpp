// What the virtual machine says, and how it ends the process when it cannot
// start: as HotSpot does, through the embedder's hooks when it gave them.
// The forms below were measured on HotSpot 17 and 25 with the hooks jvmhost
// gives; Java 8's code for them is the same.
#include <cstdarg>
#include <cstdio>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

VmHooks gHooks = {};

const char kVmName[] = "OpenJDK 64-Bit Server VM";

void PrintThroughHook(FILE* stream, const char* format, va_list args) {
  if (gHooks.vfprintfHook != nullptr) {
    gHooks.vfprintfHook(stream, format, args);
  } else {
    vfprintf(stream, format, args);
  }
}

void VmPrintTo(FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintThroughHook(stream, format, args);
  va_end(args);
}

}  // namespace

VmHooks* Hooks() { return &gHooks; }

void VmPrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintThroughHook(stderr, format, args);
  va_end(args);
}

void VmWarning(const char* format, ...) {
  // Only the prefix goes through the hook, as a call of its own with no line
  // break; the text and its line break are written to the error stream
  // directly, where an embedder without a console never sees them.
  VmPrint("%s warning: ", kVmName);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
}

void TtyPrint(const std::string& text) {
  // HotSpot's tty hands each piece it writes to the hook as "%.*s", on the
  // output stream.
  VmPrintTo(stdout, "%.*s", static_cast<int>(text.size()), text.c_str());
}

[[noreturn]] void ExitDuringInitialization(const std::string& error) {
  RecordEvent("VM exits during initialization: " + error);
  TtyPrint("Error occurred during initialization of VM\n");
  TtyPrint(error);
  TtyPrint("\n");
  // Measured: HotSpot 17 and 25 give the abort hook one turn; the stand-in
  // gives it a second, as a shutdown that reaches it twice would, so a host
  // that reacts twice shows.
  if (gHooks.abortHook != nullptr) gHooks.abortHook();
  if (gHooks.abortHook != nullptr) gHooks.abortHook();
  ExitProcess(1);
}

}  // namespace fakejvm
