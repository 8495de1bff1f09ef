// Text: jvmhost's fixed texts and the conversions between the code pages it
// meets and UTF-16.
//
//   texts.h         the fixed texts the user is shown, GBK bytes
//   wide_text.cpp   fixed texts and paths into UTF-16, wide text into UTF-8
//   bounded_text.h  composing 8-bit texts into fixed buffers
#pragma once

#include <windows.h>

// ---------------------------------------------------------------------------
// Texts for the wide functions (wide_text.cpp).  The fixed texts are GBK
// whatever the system's ANSI code page.
constexpr UINT kGbkCodePage = 936;
// Appends text, read in codePage, at *length; false (destination unchanged)
// when it would not fit.
bool AppendWide(wchar_t* destination, int capacity, int* length, UINT codePage, const char* text);
bool WideFromGbk(const char* text, wchar_t* destination, int capacity);
// For traces, which name folders as they are on any system.
bool Utf8FromWide(const wchar_t* text, char* destination, int capacity);
// An 8-bit path (perhaps a short one) by its long name, in UTF-8.
bool Utf8FolderName(const char* path, char* destination, int capacity);
