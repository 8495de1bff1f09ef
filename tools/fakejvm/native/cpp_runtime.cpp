// Stand-in for a C++ runtime that a Java runtime ships only in <runtime>\bin
// (msvcp140.dll of Java 11 and later, msvcp120.dll of Java 9 and 10).  Its
// name is one Wine has no builtin of, so only the copy in bin can satisfy
// the import of the native library that needs it.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl FakeCppRuntime_Marker() { return 2; }
