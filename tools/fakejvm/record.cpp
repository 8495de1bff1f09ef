// What the stand-in saw, and how it was told to behave.
#include <cstdio>
#include <cstring>
#include <map>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

struct Event {
  std::string line;
  DWORD thread;
};

const char* const kKeys[] = {"create_result",        "attach_result",       "no_class",
                             "no_get_instance",      "null_instance",       "omit_method",
                             "throw_from",           "fail_new_byte_array", "fail_new_byte_array_once",
                             "write_ps_data_result", "slow_ms",             "slow_end_ms",
                             "hang_end",             "count_only",          "log_file",
                             "header_file",          "data_file",           "java_version",
                             "init_error",           "create_ms",
                             "native_library",       "child_command",
                             "work_us",              "hold_data",
                             "copy_ms"};

std::vector<Event> gEvents;
int gViolations = 0;
std::map<std::string, std::string> gReceived;
std::map<std::string, size_t> gReceivedCount;
std::map<std::string, std::string> gFromEnvironment;
std::map<std::string, std::string> gInProcess;
std::map<std::string, FILE*> gOpenFiles;
bool gCountOnly = false;

// Files are appended to and flushed at once: a test may end the process
// that holds them without warning.
void AppendToFile(const char* key, const char* data, size_t size) {
  std::string path = Setting(key);
  if (path.empty()) return;
  FILE*& file = gOpenFiles[path];
  if (file == nullptr) file = fopen(path.c_str(), "ab");
  if (file == nullptr) return;
  fwrite(data, 1, size, file);
  fflush(file);
}

void RefreshCountOnly() { gCountOnly = SettingFlag("count_only"); }

}  // namespace

void RecordEvent(const std::string& line) {
  gEvents.push_back({line, GetCurrentThreadId()});
  std::string withNewline = line + "\n";
  AppendToFile("log_file", withNewline.data(), withNewline.size());
}

void RecordViolation(const std::string& what) {
  ++gViolations;
  RecordEvent("VIOLATION " + what);
  fprintf(stderr, "fake jvm: VIOLATION %s\n", what.c_str());
}

void AppendReceived(const char* stream, const char* data, size_t size) {
  gReceivedCount[stream] += size;
  if (gCountOnly) return;
  gReceived[stream].append(data, size);
  if (strcmp(stream, "header") == 0) AppendToFile("header_file", data, size);
  if (strcmp(stream, "data") == 0) AppendToFile("data_file", data, size);
}

void LoadConfigurationFromEnvironment() {
  gFromEnvironment.clear();
  for (const char* key : kKeys) {
    std::string name = "FAKEJVM_";
    for (const char* c = key; *c; ++c) name += static_cast<char>(toupper(static_cast<unsigned char>(*c)));
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    if (length > 0 && length < sizeof value) gFromEnvironment[key] = value;
  }
  RefreshCountOnly();
}

std::string Setting(const char* key) {
  auto local = gInProcess.find(key);
  if (local != gInProcess.end()) return local->second;
  auto inherited = gFromEnvironment.find(key);
  return inherited != gFromEnvironment.end() ? inherited->second : std::string();
}

int SettingInt(const char* key, int fallback) {
  std::string value = Setting(key);
  return value.empty() ? fallback : atoi(value.c_str());
}

bool SettingFlag(const char* key) { return SettingInt(key, 0) != 0; }

bool CountOnly() { return gCountOnly; }

}  // namespace fakejvm

using namespace fakejvm;

extern "C" {

__declspec(dllexport) void __cdecl FakeJvm_Configure(const char* key, const char* value) {
  Lock lock;
  if (value == nullptr) {
    gInProcess.erase(key);
  } else {
    gInProcess[key] = value;
  }
  RefreshCountOnly();
}

__declspec(dllexport) void __cdecl FakeJvm_ResetRecord() {
  Lock lock;
  gEvents.clear();
  gViolations = 0;
  gReceived.clear();
  gReceivedCount.clear();
  gNewByteArrayCalls = 0;
}

__declspec(dllexport) int __cdecl FakeJvm_EventCount() {
  Lock lock;
  return static_cast<int>(gEvents.size());
}

__declspec(dllexport) int __cdecl FakeJvm_Event(int index, char* buffer, int capacity) {
  Lock lock;
  if (index < 0 || index >= static_cast<int>(gEvents.size()) || buffer == nullptr || capacity <= 0) return -1;
  const std::string& line = gEvents[static_cast<size_t>(index)].line;
  snprintf(buffer, static_cast<size_t>(capacity), "%s", line.c_str());
  return static_cast<int>(line.size());
}

__declspec(dllexport) uint32_t __cdecl FakeJvm_EventThread(int index) {
  Lock lock;
  if (index < 0 || index >= static_cast<int>(gEvents.size())) return 0;
  return gEvents[static_cast<size_t>(index)].thread;
}

__declspec(dllexport) size_t __cdecl FakeJvm_Received(const char* stream, void* buffer, size_t capacity) {
  Lock lock;
  const std::string& bytes = gReceived[stream];
  if (buffer != nullptr) memcpy(buffer, bytes.data(), bytes.size() < capacity ? bytes.size() : capacity);
  return gReceivedCount[stream];
}

__declspec(dllexport) int __cdecl FakeJvm_ViolationCount() {
  Lock lock;
  return gViolations;
}

__declspec(dllexport) int __cdecl FakeJvm_LiveRefs(const char* kind) {
  Lock lock;
  return LiveRefs(strcmp(kind, "global") == 0 ? RefKind::kGlobal : RefKind::kLocal);
}

}  // extern "C"
