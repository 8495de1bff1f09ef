// Test-side handle on the stand-in jvm.dll: its configuration and its record.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/fake_jvm.h"

class FakeJvm {
 public:
  // Loads the stand-in by its full path: the same module the host loads
  // from that path later (or has loaded already).
  explicit FakeJvm(const std::string& dllPath);
  bool loaded() const { return configure_ != nullptr; }

  void Configure(const char* key, const char* value);
  void ResetRecord();
  std::vector<std::string> Events() const;
  // Only the Java application's calls ("java ..." lines, prefix removed).
  std::vector<std::string> JavaCalls() const;
  // Lines that start with prefix, in order.
  std::vector<std::string> EventsStartingWith(const std::string& prefix) const;
  DWORD EventThread(int index) const;
  // Thread of the first event that starts with prefix; 0 when none.
  DWORD ThreadOf(const std::string& prefix) const;
  std::string Received(const char* stream) const;
  size_t ReceivedCount(const char* stream) const;
  int ViolationCount() const;
  std::string Violations() const;  // the violation lines, one per line
  int LiveRefs(const char* kind) const;

 private:
  FakeJvm_ConfigureProc configure_ = nullptr;
  FakeJvm_ResetRecordProc reset_ = nullptr;
  FakeJvm_EventCountProc eventCount_ = nullptr;
  FakeJvm_EventProc event_ = nullptr;
  FakeJvm_EventThreadProc eventThread_ = nullptr;
  FakeJvm_ReceivedProc received_ = nullptr;
  FakeJvm_ViolationCountProc violationCount_ = nullptr;
  FakeJvm_LiveRefsProc liveRefs_ = nullptr;
};
