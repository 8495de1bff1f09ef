// Stand-in for one of a Java runtime's native libraries (awt.dll and the
// like), which the Java application loads by full path from <runtime>\bin
// long after start-up.  It imports the runtime's C++ runtime by name, as the
// real ones import msvcp140.dll: Windows looks for that import on the
// process's DLL search, never in this library's own directory.
#include <windows.h>

extern "C" __declspec(dllimport) int __cdecl FakeCppRuntime_Marker();

extern "C" __declspec(dllexport) int __cdecl FakeNative_Ready() { return FakeCppRuntime_Marker(); }
