#include "tests/support/fake_jvm_control.h"

namespace {

template <typename Proc>
Proc Resolve(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

FakeJvm::FakeJvm(const std::string& dllPath) {
  HMODULE module = LoadLibraryA(dllPath.c_str());
  configure_ = Resolve<FakeJvm_ConfigureProc>(module, "FakeJvm_Configure");
  reset_ = Resolve<FakeJvm_ResetRecordProc>(module, "FakeJvm_ResetRecord");
  eventCount_ = Resolve<FakeJvm_EventCountProc>(module, "FakeJvm_EventCount");
  event_ = Resolve<FakeJvm_EventProc>(module, "FakeJvm_Event");
  eventThread_ = Resolve<FakeJvm_EventThreadProc>(module, "FakeJvm_EventThread");
  received_ = Resolve<FakeJvm_ReceivedProc>(module, "FakeJvm_Received");
  violationCount_ = Resolve<FakeJvm_ViolationCountProc>(module, "FakeJvm_ViolationCount");
  liveRefs_ = Resolve<FakeJvm_LiveRefsProc>(module, "FakeJvm_LiveRefs");
}

void FakeJvm::Configure(const char* key, const char* value) {
  if (configure_) configure_(key, value);
}

void FakeJvm::ResetRecord() {
  if (reset_) reset_();
}

std::vector<std::string> FakeJvm::Events() const {
  std::vector<std::string> events;
  if (!eventCount_) return events;
  int count = eventCount_();
  for (int i = 0; i < count; ++i) {
    char line[65536];
    if (event_(i, line, sizeof line) >= 0) events.push_back(line);
  }
  return events;
}

std::vector<std::string> FakeJvm::JavaCalls() const {
  std::vector<std::string> calls;
  for (const std::string& line : EventsStartingWith("java ")) calls.push_back(line.substr(5));
  return calls;
}

std::vector<std::string> FakeJvm::EventsStartingWith(const std::string& prefix) const {
  std::vector<std::string> matching;
  for (const std::string& line : Events()) {
    if (line.compare(0, prefix.size(), prefix) == 0) matching.push_back(line);
  }
  return matching;
}

DWORD FakeJvm::EventThread(int index) const { return eventThread_ ? eventThread_(index) : 0; }

DWORD FakeJvm::ThreadOf(const std::string& prefix) const {
  std::vector<std::string> events = Events();
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].compare(0, prefix.size(), prefix) == 0) return EventThread(static_cast<int>(i));
  }
  return 0;
}

std::string FakeJvm::Received(const char* stream) const {
  if (!received_) return std::string();
  size_t size = received_(stream, nullptr, 0);
  std::string bytes(size, '\0');
  if (size > 0) received_(stream, &bytes[0], size);
  return bytes;
}

size_t FakeJvm::ReceivedCount(const char* stream) const { return received_ ? received_(stream, nullptr, 0) : 0; }

int FakeJvm::ViolationCount() const { return violationCount_ ? violationCount_() : -1; }

std::string FakeJvm::Violations() const {
  std::string text;
  for (const std::string& line : EventsStartingWith("VIOLATION ")) text += line + "\n";
  return text;
}

int FakeJvm::LiveRefs(const char* kind) const { return liveRefs_ ? liveRefs_(kind) : -1; }
