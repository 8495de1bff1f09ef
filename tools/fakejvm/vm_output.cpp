// What the virtual machine says, and how it ends the process when it cannot
// start: as HotSpot does, through the embedder's hooks when it gave them.
#include <cstdarg>
#include <cstdio>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

VmHooks gHooks = {};

}  // namespace

VmHooks* Hooks() { return &gHooks; }

void VmPrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (gHooks.vfprintfHook != nullptr) {
    gHooks.vfprintfHook(stderr, format, args);
  } else {
    vfprintf(stderr, format, args);
  }
  va_end(args);
}

void TtyPrint(const std::string& text) {
  // HotSpot's tty hands each piece it writes to the hook as "%.*s".
  VmPrint("%.*s", static_cast<int>(text.size()), text.c_str());
}

[[noreturn]] void ExitDuringInitialization(const std::string& error) {
  RecordEvent("VM exits during initialization: " + error);
  TtyPrint("Error occurred during initialization of VM");
  TtyPrint("\n");
  TtyPrint(error);
  TtyPrint("\n");
  // The shutdown and then the abort itself each give the abort hook its turn.
  if (gHooks.abortHook != nullptr) gHooks.abortHook();
  if (gHooks.abortHook != nullptr) gHooks.abortHook();
  ExitProcess(1);
}

}  // namespace fakejvm
