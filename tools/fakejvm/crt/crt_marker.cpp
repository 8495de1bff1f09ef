// Stand-in for a Java runtime's own C runtime DLL (a real one is
// vcruntime140_1.dll of Java 11 and later).  It ships only in <runtime>\bin,
// which the system does not search for the dependencies of bin\server\jvm.dll.
// Its one export is a name no real C runtime has, so Wine's own copy of the
// DLL can never stand in for it.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl FakeCrt_Marker() { return 1; }
