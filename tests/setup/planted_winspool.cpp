// A winspool.drv planted beside printersetup.exe, as an attacker would leave
// it in a downloads folder.  It exports every name printersetup takes from the
// spooler client, so a program that binds them by name starts with it; it
// leaves a mark file beside itself when it is loaded, and refuses every call,
// so nothing it is asked for reaches the spooler.
#include <windows.h>

namespace {

constexpr char kMarkName[] = "planted-winspool-was-loaded";

void LeaveMark(HMODULE self) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char* slash = path + length;
  while (slash > path && slash[-1] != '\\') --slash;
  if (static_cast<size_t>(slash - path) + sizeof kMarkName > MAX_PATH) return;
  lstrcpyA(slash, kMarkName);
  HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
}

}  // namespace

// Every export of the .def file lands here: with the x64 calling convention a
// function that reads none of its arguments serves every signature.
extern "C" INT_PTR WINAPI RefuseSpoolerCall() {
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMark(self);
  return TRUE;
}
