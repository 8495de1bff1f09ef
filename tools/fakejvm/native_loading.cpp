// The Java application's System.load of one of its runtime's native
// libraries (native_library=NAME, from <runtime>\bin).  HotSpot loads it with
// a plain LoadLibrary of the full path, so the library's own imports are
// looked for on the process's DLL search only, and a library that does not
// load is an UnsatisfiedLinkError for the application.
#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {

bool LoadConfiguredNativeLibrary(ThreadEnv* thread) {
  std::string name = Setting("native_library");
  if (name.empty()) return true;
  std::string path = RuntimeHome() + "\\bin\\" + name;
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    RecordEvent("java System.load " + name + " failed " + std::to_string(GetLastError()));
    Throw(thread, "java/lang/UnsatisfiedLinkError");
    return false;
  }
  // A library is usable only once its imports are bound; call through one.
  using ReadyProc = int(__cdecl*)();
  auto ready = reinterpret_cast<ReadyProc>(reinterpret_cast<void (*)()>(GetProcAddress(library, "FakeNative_Ready")));
  RecordEvent("java System.load " + name + (ready != nullptr && ready() == 2 ? " ok" : " unusable"));
  return true;
}

}  // namespace fakejvm
