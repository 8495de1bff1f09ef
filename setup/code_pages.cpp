// The conversions between the code pages the installer meets: the GBK bytes
// of its fixed texts, the ANSI code page of the Windows it runs on, UTF-16 for
// the wide functions and UTF-8 for its traces.
#include "setup/code_pages.h"

namespace {

constexpr UINT kGbkCodePage = 936;

std::wstring WideFrom(UINT codePage, DWORD flags, const char* text, int length) {
  const int size = MultiByteToWideChar(codePage, flags, text, length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  if (MultiByteToWideChar(codePage, flags, text, length, &wide[0], size) != size) return std::wstring();
  if (length < 0) wide.resize(wide.size() - 1);  // the converted terminator
  return wide;
}

}  // namespace

std::wstring WideFromGbk(const char* gbk) {
  // Code page 936 itself, whatever the system's: the texts are stored in it.
  return WideFrom(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk, -1);
}

std::wstring WideFromAnsi(const char* ansi, int length) { return WideFrom(CP_ACP, 0, ansi, length); }

bool AnsiSpelling(const wchar_t* text, std::string* ansi) {
  ansi->clear();
  // A UTF-8 system code page (Windows 10's "beta" option) spells everything
  // but refuses both flags; a lone surrogate is the only thing it cannot.
  const bool utf8 = GetACP() == CP_UTF8;
  const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultFlag = utf8 ? nullptr : &usedDefault;
  const int size = WideCharToMultiByte(codePage, flags, text, -1, nullptr, 0, nullptr, usedDefaultFlag);
  if (size <= 0 || usedDefault) return false;
  std::string spelled(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, flags, text, -1, &spelled[0], size, nullptr, usedDefaultFlag) != size ||
      usedDefault) {
    return false;
  }
  spelled.resize(spelled.size() - 1);
  *ansi = spelled;
  return true;
}

std::string Utf8FromWide(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string utf8(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr) != size) return std::string();
  utf8.resize(utf8.size() - 1);
  return utf8;
}

std::string Utf8FromAnsi(const char* ansi) { return Utf8FromWide(WideFromAnsi(ansi).c_str()); }
