// The relay in this test process: a Java install with the stand-in runtime,
// a producer channel, and RunPrintRelay on a thread of its own while the
// test thread plays the port monitor.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fake_jvm_control.h"
#include "tests/support/java_install.h"
#include "tools/producer/print_producer.h"

// Bound of every wait of the relay tests.
constexpr DWORD kRelayTimeoutMs = 20000;

class RelayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the channel with room for chunkCapacity bytes per chunk.
  void OpenChannel(size_t chunkCapacity = 1 << 20);
  // Starts RunPrintRelay on its own thread, on a duplicate of the channel's
  // control mapping handle (or on the given handle value).
  void StartRelay();
  void StartRelayOn(uintptr_t controlMapping);
  // Ends a relay that waits for a job: its duplicate of the control mapping
  // is closed and a job begun (job event, chunk-ready), so the relay can no
  // longer read the Control block and returns.  Once it has returned every Java call of
  // every job has been made.  False when it did not return in time.
  bool StopRelay();
  // True when RunPrintRelay returned within timeoutMs; its result then.
  bool AwaitRelayReturn(DWORD timeoutMs, bool* result);

  // The Java application's calls, without the getInstance of each binding.
  std::vector<std::string> JavaCalls() const;
  // The worker threads that made "java runVelmo", in order.
  std::vector<DWORD> JobThreads() const;
  // Polls until the Java application has seen `count` calls of "writeEnd".
  bool AwaitJobEnds(size_t count, DWORD timeoutMs) const;
  // Rewrites one field of the Control block.
  void WriteControlField(size_t offset, uint64_t value);

  JavaInstall install_;
  std::unique_ptr<FakeJvm> jvm_;
  ProducerChannel channel_ = {};
  HANDLE relayThread_ = nullptr;
  HANDLE relayControl_ = nullptr;  // the relay's own duplicate of the control mapping

 private:
  static DWORD WINAPI RelayThreadMain(LPVOID test);
  uintptr_t relayArgument_ = 0;
  bool relayResult_ = false;
};

// Bytes that differ from chunk to chunk and position to position, so a lost,
// repeated or reordered chunk shows.
std::string PatternBytes(size_t size, uint32_t seed);
// Compares byte strings without printing megabytes: sizes and the first
// differing offset.
::testing::AssertionResult SameBytes(const std::string& received, const std::string& expected);
inline const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}
