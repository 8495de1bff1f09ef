// printersetup's failure traces: each failed step names itself and its code.
#include <windows.h>

#include <algorithm>
#include <string>

#include <winspool.h>

#include <gtest/gtest.h>

#include "debuggee.h"
#include "setup/exit_codes.h"
#include "tests/support/child_process.h"

namespace {


bool HasLine(const DebuggeeRun& run, const std::string& line) {
  return std::find(run.debugLines.begin(), run.debugLines.end(), line) != run.debugLines.end();
}

bool HasLineStartingWith(const DebuggeeRun& run, const std::string& start) {
  return std::any_of(run.debugLines.begin(), run.debugLines.end(),
                     [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

// A copy of printersetup.exe in a folder of its own: the spooler runs in the
// installer's process under Wine and would find the stand-in monitor beside
// the test programs.
class SetupTraces : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "setup_trace_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir_.c_str(), nullptr);
    program_ = dir_ + "\\printersetup.exe";
    ASSERT_TRUE(CopyFileA((BinaryDirectory() + "\\printersetup.exe").c_str(), program_.c_str(), FALSE))
        << "CopyFileA failed: " << GetLastError();
  }
  void TearDown() override {
    DeleteMonitorA(nullptr, nullptr, const_cast<char*>("Vudav Adiv"));
    DeleteFileA(program_.c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  std::string dir_;
  std::string program_;
};

}  // namespace

TEST_F(SetupTraces, MissingSourceFilesAndAbsentMonitorAreTracedWithTheirCodes) {
  DebuggeeRun run = RunAsDebuggee("\"" + program_ + "\" C:\\no\\such\\printer\\files", 60000);
  ASSERT_TRUE(run.started) << "CreateProcessA failed: " << GetLastError();
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(kExitSourceIncomplete));
  EXPECT_TRUE(HasLine(run, "printersetup: CopyFileA failed: C:\\no\\such\\printer\\files\\velmo.ppd (error 3)"));
  EXPECT_TRUE(HasLine(run, "printersetup: CopyFileA failed: C:\\no\\such\\printer\\files\\velmo.inf (error 3)"));
  // No stand-in monitor library in the system directory for this run.
  EXPECT_TRUE(HasLineStartingWith(run, "printersetup: AddMonitorA failed (error "));
  for (const std::string& line : run.debugLines) {
    EXPECT_EQ(line.rfind("printersetup: ", 0), 0u) << line;
    EXPECT_EQ(line.find("(error 0)"), std::string::npos) << line;
  }
}

// Support reads a trace from any Windows: the code page comes first, once,
// and names are UTF-8 (the folder is the product's name, given in GBK bytes).
TEST_F(SetupTraces, CodePageComesFirstOnceAndFoldersAreNamedInUtf8) {
  DebuggeeRun run = RunAsDebuggee("\"" + program_ + "\" C:\\no\\\xC7\xE0\xBA\xCC\xD6\xDB", 60000);
  ASSERT_TRUE(run.exited);
  ASSERT_FALSE(run.debugLines.empty());
  EXPECT_EQ(run.debugLines[0], "printersetup: running under ANSI code page 936");
  EXPECT_EQ(std::count(run.debugLines.begin(), run.debugLines.end(), run.debugLines[0]), 1);
  EXPECT_TRUE(HasLine(run,
                      "printersetup: CopyFileA failed: C:\\no\\\xE9\x9D\x92\xE7\xA6\xBE\xE8\x88\x9F\\velmo.ppd (error 3)"));
}

TEST_F(SetupTraces, NoArgumentTracesNothing) {
  DebuggeeRun run = RunAsDebuggee("\"" + program_ + "\"", 60000);
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(static_cast<int>(run.exitCode), -1);
  EXPECT_TRUE(run.debugLines.empty()) << run.debugLines.front();
}

TEST_F(SetupTraces, RemovalThatLeavesAFileTracesItAndExitsMinusOne) {
  char directory[MAX_PATH];
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), MAX_PATH, &needed))
      << "GetPrinterDriverDirectoryA failed: " << GetLastError();
  const std::string file = std::string(directory) + "\\velmo.ini";
  // Held open without sharing deletion, as a program reading it would.
  HANDLE held = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE) << "CreateFileA failed: " << GetLastError();
  DebuggeeRun run = RunAsDebuggee("\"" + program_ + "\" /uninstall", 60000);
  CloseHandle(held);
  DeleteFileA(file.c_str());
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(static_cast<int>(run.exitCode), -1);
  EXPECT_TRUE(HasLine(run, "printersetup: DeleteFileA of a product file failed: " + file + " (error 32)"));
  EXPECT_TRUE(HasLine(run, "printersetup: removal of the product failed: " + file + " (error 80)"));
}
