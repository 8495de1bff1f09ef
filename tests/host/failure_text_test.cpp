// Failure texts of start-up: the fixed GBK formats with the system's text.
#include <windows.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/text/texts.h"

namespace {

std::string SystemText(DWORD code) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                 code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = text != nullptr ? text : "";
  if (text != nullptr) LocalFree(text);
  return result;
}

}  // namespace

TEST(FailureText, ErrorCodeWithSystemTextGetsTheTail) {
  std::string cause = SystemText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(cause.empty()) << "Wine has no text for error 2";
  std::string text = ComposeFailureText(TEXT_LOADLIBRARY_FAILED, "C:\\rt\\bin\\server\\jvm.dll", 2);
  std::string expected =
      "\xB6\xAF\xCC\xAC\xC1\xB4\xBD\xD3\xBF\xE2\xB5\xF7\xD3\xC3\xCA\xA7\xB0\xDC: LoadLibrary(C:\\rt\\bin\\server\\jvm.dll)"
      "\n\n\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA" "2\t\xB4\xED\xCE\xF3\xD4\xAD\xD2\xF2\xA3\xBA" + cause;
  EXPECT_EQ(text, expected);
  EXPECT_EQ(std::string(LastStartupFailureText()), expected);
}

TEST(FailureText, NegativeErrorCodeIsWrittenSigned) {
  // 0x80070002 is HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND); when the system
  // has a text for it the code appears as a signed decimal.
  int code = static_cast<int>(0x80070002u);
  std::string cause = SystemText(static_cast<DWORD>(code));
  std::string text = ComposeFailureText(TEXT_JNI_ENTRY_MISSING, "x", code);
  if (cause.empty()) {
    EXPECT_EQ(text.find("\xA3\xBA"), std::string::npos);
  } else {
    EXPECT_NE(text.find("\xA3\xBA-2147024894\t"), std::string::npos) << text;
  }
}

TEST(FailureText, ZeroCodeAndCodeWithoutSystemTextHaveNoTail) {
  std::string expected =
      "\xD4\xDA C:\\rt\\bin\\server\\jvm.dll \xD6\xD0\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xE0\xD3\xA6\xB5\xC4JNI\xBD\xD3\xBF\xDA"
      "\xBA\xAF\xCA\xFD";
  EXPECT_EQ(std::string(ComposeFailureText(TEXT_JNI_ENTRY_MISSING, "C:\\rt\\bin\\server\\jvm.dll", 0)), expected);
  ASSERT_TRUE(SystemText(0x3FFFFF1F).empty());
  EXPECT_EQ(std::string(ComposeFailureText(TEXT_JNI_ENTRY_MISSING, "C:\\rt\\bin\\server\\jvm.dll", 0x3FFFFF1F)),
            expected);
}

TEST(FailureText, NotFoundFormatQuotesThePath) {
  std::string text = ComposeFailureText(TEXT_JVM_NOT_FOUND, "D:\\j\\bin\\server\\jvm.dll", 0);
  EXPECT_EQ(text, "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBDJAVA\xD0\xE9\xC4\xE2\xBB\xFA(\"D:\\j\\bin\\server\\jvm.dll\")\xA1\xA3");
}

TEST(FailureText, OverlongTextIsCutAtItsBuffer) {
  std::string longPath(6000, 'p');
  std::string text = ComposeFailureText(TEXT_LOADLIBRARY_FAILED, longPath.c_str(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(text.size(), static_cast<size_t>(kFailureTextCapacity - 1));
  EXPECT_EQ(text.compare(0, 35 - 4, std::string(TEXT_LOADLIBRARY_FAILED).substr(0, 31)), 0);
}

TEST(FailureText, EachThreadKeepsItsOwnText) {
  ComposeFailureText(TEXT_JVM_NOT_FOUND, "main", 0);
  std::string other;
  std::thread worker([&] {
    other = LastStartupFailureText();
    ComposeFailureText(TEXT_JVM_NOT_FOUND, "worker", 0);
  });
  worker.join();
  EXPECT_EQ(other, "");
  EXPECT_NE(std::string(LastStartupFailureText()).find("main"), std::string::npos);
}
