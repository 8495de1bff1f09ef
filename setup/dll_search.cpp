// Where printersetup's DLLs may come from.  An elevated printersetup started
// from a downloads folder must never run a DLL planted beside it: with
// SetDllDirectoryA("") alone the program's folder still comes first for every
// DLL a system DLL loads by name at run time.  SetDefaultDllDirectories
// (Windows 8 and later, Windows 7 with KB2533623) narrows every later search
// to the system directory.
#include "setup/setup.h"

#include "setup/trace.h"

SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
  // kernel32 is mapped into every process; its handle needs no load.
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
}

bool RestrictDllSearch(SetDefaultDllDirectoriesFunction setDefaultDllDirectories) {
  if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  if (setDefaultDllDirectories != nullptr) TraceStepFailure(SETUP_TRACE_DLL_SEARCH, GetLastError());
  // Without it, at least the current directory leaves the search; docs
  // say to run the program from its own folder there.
  SetDllDirectoryA("");
  return false;
}

SpoolerLoad ChooseSpoolerLoad(bool searchFlagsKnown) {
  // The flag is refused where SetDefaultDllDirectories is missing (the same
  // update brings both); there the full path, with winspool.drv's own
  // imports looked for beside it, is what remains.
  if (searchFlagsKnown) return {false, LOAD_LIBRARY_SEARCH_SYSTEM32};
  return {true, LOAD_WITH_ALTERED_SEARCH_PATH};
}
