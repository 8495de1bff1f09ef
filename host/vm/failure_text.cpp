// Start-up failure texts.  Each is composed in full and kept for the thread
// that ran the start-up, so the caller on that thread can show it.
#include <cstdio>
#include <cstring>

#include "host/text/bounded_text.h"
#include "host/host.h"
#include "host/vm/startup_failure.h"
#include "host/text/texts.h"
#include "host/trace/trace.h"

namespace {

thread_local char tFailureText[kFailureTextCapacity];
// The same text as the user reads it: the GBK format read as 936, the
// argument and the system's text as what they are, ANSI and wide.
thread_local wchar_t tFailureTextWide[kFailureTextCapacity];
thread_local StartupMiss tMiss = StartupMiss::kNone;
thread_local bool tUnusableFolder = false;

// The format with each "%s" and "%d", in order, replaced by the next piece;
// cut at the buffer's end.
void SubstituteWide(wchar_t* destination, int capacity, const wchar_t* format, const wchar_t* const* pieces,
                    int pieceCount) {
  int length = 0;
  int next = 0;
  for (const wchar_t* p = format; *p != L'\0' && length < capacity - 1; ++p) {
    if (p[0] == L'%' && (p[1] == L's' || p[1] == L'd') && next < pieceCount) {
      for (const wchar_t* piece = pieces[next++]; *piece != L'\0' && length < capacity - 1; ++piece) {
        destination[length++] = *piece;
      }
      ++p;
    } else {
      destination[length++] = *p;
    }
  }
  destination[length] = L'\0';
}

void ComposeWideFailureText(const char* format, const char* argument, int errorCode, bool withTail) {
  wchar_t wideFormat[kFailureTextCapacity];
  wchar_t wideArgument[kFailureTextCapacity];
  wchar_t code[16];
  wchar_t* systemText = nullptr;
  int length = 0;
  wideFormat[0] = L'\0';
  AppendWide(wideFormat, kFailureTextCapacity, &length, kGbkCodePage, format);
  if (withTail) AppendWide(wideFormat, kFailureTextCapacity, &length, kGbkCodePage, TEXT_ERROR_TAIL);
  length = 0;
  wideArgument[0] = L'\0';
  AppendWide(wideArgument, kFailureTextCapacity, &length, CP_ACP, argument);
  char digits[16];
  snprintf(digits, sizeof digits, "%d", errorCode);
  int codeLength = 0;
  code[0] = L'\0';
  AppendWide(code, sizeof code / sizeof code[0], &codeLength, CP_ACP, digits);
  // Read in the wide form, as the system has it; a missing text leaves the
  // cause empty where the 8-bit text has one (it was there a moment ago).
  if (withTail) {
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
  }
  const wchar_t* pieces[] = {wideArgument, code, systemText != nullptr ? systemText : L""};
  SubstituteWide(tFailureTextWide, kFailureTextCapacity, wideFormat, pieces, withTail ? 3 : 1);
  if (systemText != nullptr) LocalFree(systemText);
}

}  // namespace

char* StartupFailureBuffer() { return tFailureText; }

void ClearStartupFailureText() {
  tFailureText[0] = '\0';
  tFailureTextWide[0] = L'\0';
  tMiss = StartupMiss::kNone;
  tUnusableFolder = false;
}

const char* LastStartupFailureText() { return tFailureText; }

const wchar_t* LastStartupFailureTextWide() { return tFailureTextWide; }

void KeepGbkFailureTextWide() { WideFromGbk(tFailureText, tFailureTextWide, kFailureTextCapacity); }

void NoteUnusableFolder() { tUnusableFolder = true; }

// A piece missing because a folder's name could not be used is told as such:
// the folder is there, the user can move or rename it.
void NoteStartupMiss(StartupMiss miss) {
  tMiss = miss != StartupMiss::kNone && tUnusableFolder ? StartupMiss::kUnusableFolder : miss;
}

StartupMiss LastStartupMiss() { return tMiss; }

const char* ComposeFailureText(const char* format, const char* argument, int errorCode) {
  char* systemText = nullptr;
  if (errorCode != 0) {
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<char*>(&systemText), 0, nullptr);
  }
  ComposeWideFailureText(format, argument, errorCode, systemText != nullptr);
  // Texts that would not fit are cut at the buffer's end, never written past it.
  if (systemText != nullptr) {
    char extended[kFailureTextCapacity];
    int length = 0;
    extended[0] = '\0';
    if (AppendInto(extended, sizeof extended, &length, format) &&
        AppendInto(extended, sizeof extended, &length, TEXT_ERROR_TAIL)) {
      FormatInto(tFailureText, kFailureTextCapacity, extended, argument, errorCode, systemText);
    } else {
      FormatInto(tFailureText, kFailureTextCapacity, format, argument);
    }
    LocalFree(systemText);
  } else {
    FormatInto(tFailureText, kFailureTextCapacity, format, argument);
  }
  TraceFailureDetail(TRACE_STARTUP_FAILED, tFailureText, static_cast<DWORD>(errorCode));
  return tFailureText;
}
