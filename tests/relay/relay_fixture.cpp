#include "tests/relay/relay_fixture.h"

#include <cstring>

#include "relay/relay.h"

void RelayTest::SetUp() {
  install_.MakeStandardInstall();
  jvm_.reset(new FakeJvm(JavaInstall::JvmPath(install_.appHome() + "\\jre")));
  ASSERT_TRUE(jvm_->loaded()) << "stand-in jvm.dll not loaded: " << GetLastError();
}

void RelayTest::TearDown() {
  if (relayThread_ != nullptr) {
    EXPECT_TRUE(StopRelay()) << "the relay did not return";
  }
  if (relayThread_ != nullptr) CloseHandle(relayThread_);
  CloseProducerChannel(&channel_);
  EXPECT_EQ(jvm_->ViolationCount(), 0) << jvm_->Violations();
  // Binding to Java redirected HKEY_CURRENT_USER; leave the user's own key
  // as it was.
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
}

void RelayTest::OpenChannel(size_t chunkCapacity) {
  ASSERT_TRUE(OpenProducerChannel(&channel_, chunkCapacity, false)) << "channel not opened: " << GetLastError();
}

void RelayTest::StartRelay() {
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), channel_.controlMapping, GetCurrentProcess(), &relayControl_, 0,
                              FALSE, DUPLICATE_SAME_ACCESS))
      << "DuplicateHandle failed: " << GetLastError();
  StartRelayOn(reinterpret_cast<uintptr_t>(relayControl_));
}

void RelayTest::StartRelayOn(uintptr_t controlMapping) {
  relayArgument_ = controlMapping;
  relayThread_ = CreateThread(nullptr, 0, RelayThreadMain, this, 0, nullptr);
  ASSERT_NE(relayThread_, nullptr) << "CreateThread failed: " << GetLastError();
  // The producer's waits end early, not at their time-out, if the relay
  // returns when it should not.
  channel_.relay = relayThread_;
}

DWORD WINAPI RelayTest::RelayThreadMain(LPVOID test) {
  RelayTest* self = static_cast<RelayTest*>(test);
  self->relayResult_ = RunPrintRelay(self->relayArgument_);
  return 0;
}

bool RelayTest::StopRelay() {
  if (relayControl_ != nullptr) {
    CloseHandle(relayControl_);
    relayControl_ = nullptr;
  }
  // As a next job begins: a relay still looking whether its end-of-job
  // signal was taken sees the chunk-ready that follows.
  if (channel_.jobEvent != nullptr) SetEvent(channel_.jobEvent);
  if (channel_.chunkReadyEvent != nullptr) SetEvent(channel_.chunkReadyEvent);
  bool result = false;
  return AwaitRelayReturn(kRelayTimeoutMs, &result);
}

bool RelayTest::AwaitRelayReturn(DWORD timeoutMs, bool* result) {
  if (relayThread_ == nullptr || WaitForSingleObject(relayThread_, timeoutMs) != WAIT_OBJECT_0) return false;
  *result = relayResult_;
  channel_.relay = nullptr;
  CloseHandle(relayThread_);
  relayThread_ = nullptr;
  return true;
}

std::vector<std::string> RelayTest::JavaCalls() const {
  std::vector<std::string> calls;
  for (const std::string& call : jvm_->JavaCalls()) {
    if (call != "getInstance") calls.push_back(call);
  }
  return calls;
}

std::vector<DWORD> RelayTest::JobThreads() const {
  std::vector<DWORD> threads;
  std::vector<std::string> events = jvm_->Events();
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i] == "java runVelmo") threads.push_back(jvm_->EventThread(static_cast<int>(i)));
  }
  return threads;
}

bool RelayTest::AwaitJobEnds(size_t count, DWORD timeoutMs) const {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  do {
    if (jvm_->EventsStartingWith("java writeEnd").size() >= count) return true;
    Sleep(10);
  } while (GetTickCount64() < deadline);
  return false;
}

void RelayTest::WriteControlField(size_t offset, uint64_t value) {
  void* view = MapViewOfFile(channel_.controlMapping, FILE_MAP_WRITE, 0, 0, 0);
  ASSERT_NE(view, nullptr) << "MapViewOfFile failed: " << GetLastError();
  memcpy(static_cast<unsigned char*>(view) + offset, &value, sizeof value);
  UnmapViewOfFile(view);
}

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<char>(state >> 24);
  }
  return bytes;
}

::testing::AssertionResult SameBytes(const std::string& received, const std::string& expected) {
  if (received == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < received.size() && at < expected.size() && received[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << "received " << received.size() << " bytes, expected " << expected.size()
                                       << ", first difference at offset " << at;
}
