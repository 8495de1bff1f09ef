// Text in the code pages printersetup meets: its fixed texts are GBK (code
// page 936) bytes, the A functions take the system's ANSI code page, the wide
// functions UTF-16, and the traces are UTF-8 so that they read the same on any
// Windows.  Each returns an empty text when the conversion fails.
#pragma once

#include <windows.h>

#include <string>

// A fixed text from its stored GBK bytes, converted with code page 936 itself
// (never the system's), as the spooler's wide functions take it.
std::wstring WideFromGbk(const char* gbk);

// Text in the system's ANSI code page; length -1 for a terminated one, else a
// count of bytes (a multi-string's embedded terminators are kept).
std::wstring WideFromAnsi(const char* ansi, int length = -1);

// The text spelled exactly in the system's ANSI code page: no default
// character and no best-fit look-alike.  False when it cannot be.
bool AnsiSpelling(const wchar_t* text, std::string* ansi);

std::string Utf8FromWide(const wchar_t* text);
std::string Utf8FromAnsi(const char* ansi);
