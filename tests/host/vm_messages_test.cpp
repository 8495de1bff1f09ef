// What the virtual machine says through its hooks, fed here call by call in
// the forms HotSpot uses: a warning is a bare prefix call ("%s warning: ",
// the VM's name, no text, no line break), the rest whole lines or pieces.
#include <windows.h>

#include <atomic>

#include <gtest/gtest.h>

#include "host/host.h"

namespace {

const char kVmName[] = "OpenJDK 64-Bit Server VM";

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VmVfprintfHook(stderr, format, args);
  va_end(args);
}

void Warn() { Say("%s warning: ", kVmName); }

}  // namespace

// However many warnings come first, the refusal that follows is kept whole
// for the box; a warning handed over as a whole line stays out of it too.
TEST(VmMessages, RefusalAfterAnyNumberOfWarningsIsKeptWhole) {
  for (int warnings : {1, 500}) {
    BeginVmStartupMessages();
    for (int i = 0; i < warnings; ++i) Warn();
    Say("%s warning: %s\n", kVmName, "ignoring option PermSize=64M; support was removed in 8.0");
    Say("Unrecognized VM option '%s'\n", "NoSuchFlag");
    EndVmStartupMessages(true, JNI_EINVAL);
    EXPECT_STREQ(LastVmStartupMessage(), "Unrecognized VM option 'NoSuchFlag'") << warnings << " warnings";
  }
}

// The hooks' lock is never held while a trace is written: a debugger takes
// the trace as an exception (DBG_PRINTEXCEPTION_C), seen here first by a
// vectored handler, and may keep the thread there.  Meanwhile the hooks work
// on another thread and on this one, the abort hook included.
namespace {

std::atomic<bool> gInHandler{false};
std::atomic<int> gTracesSeen{0};
std::atomic<bool> gOtherThreadSaid{false};
std::atomic<bool> gSameThreadSaid{false};
std::atomic<bool> gAbortReturned{false};

DWORD WINAPI SayFromAnotherThread(LPVOID) {
  Say("from another thread\n");
  return 0;
}

LONG CALLBACK WhileTracing(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode != DBG_PRINTEXCEPTION_C || gInHandler.exchange(true)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  ++gTracesSeen;
  HANDLE other = CreateThread(nullptr, 0, SayFromAnotherThread, nullptr, 0, nullptr);
  if (other != nullptr) {
    gOtherThreadSaid = WaitForSingleObject(other, 5000) == WAIT_OBJECT_0;
    CloseHandle(other);
  }
  Say("again on this thread\n");
  gSameThreadSaid = true;
  VmAbortHook();
  gAbortReturned = true;
  return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI SayALine(LPVOID) {
  Say("%s", "a line the VM says after its start\n");
  return 0;
}

}  // namespace

TEST(VmMessages, HooksWorkWhileATraceIsBeingWritten) {
  PVOID handler = AddVectoredExceptionHandler(1, WhileTracing);
  ASSERT_NE(handler, nullptr);
  // On a thread of its own: a hook that waits for itself hangs it, not the test.
  HANDLE thread = CreateThread(nullptr, 0, SayALine, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  bool returned = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
  RemoveVectoredExceptionHandler(handler);
  EXPECT_TRUE(returned) << "the hook never returned";
  if (returned) CloseHandle(thread);
  ASSERT_GE(gTracesSeen.load(), 1) << "OutputDebugStringA raised no DBG_PRINTEXCEPTION_C";
  EXPECT_TRUE(gOtherThreadSaid) << "another thread's hook waited for the trace";
  EXPECT_TRUE(gSameThreadSaid);
  EXPECT_TRUE(gAbortReturned);
}
