// Objects, references and attached threads of the stand-in virtual machine,
// with the checks -Xcheck:jni makes on every call.
#include <map>
#include <memory>
#include <utility>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

CRITICAL_SECTION* TheLock() {
  static CRITICAL_SECTION* lock = [] {
    auto* section = new CRITICAL_SECTION;
    InitializeCriticalSection(section);
    return section;
  }();
  return lock;
}

std::vector<Object> gObjects;
std::vector<Ref> gRefs;
std::map<DWORD, std::unique_ptr<ThreadEnv>> gThreads;

// References are tagged indices, never pointers: a deleted or forged one is
// recognised instead of being read through.
constexpr uintptr_t kRefTag = 0x5A000000u;

jobject EncodeRef(size_t index) { return reinterpret_cast<jobject>(kRefTag + (index + 1) * 16); }

long DecodeRef(jobject ref) {
  uintptr_t value = reinterpret_cast<uintptr_t>(ref);
  if (value <= kRefTag || (value - kRefTag) % 16 != 0) return -1;
  size_t index = (value - kRefTag) / 16 - 1;
  return index < gRefs.size() ? static_cast<long>(index) : -1;
}

}  // namespace

Lock::Lock() { EnterCriticalSection(TheLock()); }
Lock::~Lock() { LeaveCriticalSection(TheLock()); }

bool gVmCreated = false;
bool gVmCreating = false;

int NewObject(Object object) {
  gObjects.push_back(std::move(object));
  return static_cast<int>(gObjects.size() - 1);
}

std::string gSpareArrayStorage;

std::string TakeArrayStorage(size_t length) {
  std::string bytes;
  if (CountOnly()) bytes.swap(gSpareArrayStorage);
  bytes.assign(length, '\0');
  return bytes;
}

void DropArrayStorage(std::string* bytes) {
  if (!CountOnly()) return;
  bytes->clear();
  if (bytes->capacity() > gSpareArrayStorage.capacity()) bytes->swap(gSpareArrayStorage);
  std::string().swap(*bytes);
}

Object& ObjectAt(int index) { return gObjects[static_cast<size_t>(index)]; }

jobject MakeRef(ThreadEnv* thread, RefKind kind, int object) {
  gRefs.push_back({kind, object, GetCurrentThreadId(), true});
  size_t index = gRefs.size() - 1;
  if (kind == RefKind::kLocal && thread != nullptr) thread->frames.back().push_back(static_cast<int>(index));
  return EncodeRef(index);
}

int Deref(jobject ref, const char* where) {
  if (ref == nullptr) {
    RecordViolation(std::string("null reference passed to ") + where);
    return -1;
  }
  long index = DecodeRef(ref);
  if (index < 0) {
    RecordViolation(std::string("invalid reference passed to ") + where);
    return -1;
  }
  const Ref& entry = gRefs[static_cast<size_t>(index)];
  if (!entry.alive) {
    RecordViolation(std::string("deleted reference used in ") + where);
    return -1;
  }
  if (entry.kind == RefKind::kLocal && entry.owner != GetCurrentThreadId()) {
    RecordViolation(std::string("local reference of another thread used in ") + where);
    return -1;
  }
  return entry.object;
}

bool DeleteRef(jobject ref, RefKind expected, const char* where) {
  if (ref == nullptr) return true;  // deleting null is allowed
  long index = DecodeRef(ref);
  if (index < 0 || !gRefs[static_cast<size_t>(index)].alive) {
    RecordViolation(std::string("deleted or invalid reference passed to ") + where);
    return false;
  }
  Ref& entry = gRefs[static_cast<size_t>(index)];
  if (entry.kind != expected) {
    RecordViolation(std::string("reference of the wrong kind passed to ") + where);
    return false;
  }
  if (entry.kind == RefKind::kLocal && entry.owner != GetCurrentThreadId()) {
    RecordViolation(std::string("local reference of another thread passed to ") + where);
    return false;
  }
  entry.alive = false;
  return true;
}

void KillLocalRefs(const std::vector<int>& refs) {
  for (int index : refs) gRefs[static_cast<size_t>(index)].alive = false;
}

int LiveRefs(RefKind kind) {
  int live = 0;
  for (const Ref& entry : gRefs) live += entry.alive && entry.kind == kind ? 1 : 0;
  return live;
}

ThreadEnv* CurrentThreadEnv() {
  auto found = gThreads.find(GetCurrentThreadId());
  return found != gThreads.end() && found->second->attached ? found->second.get() : nullptr;
}

ThreadEnv* AttachThread() {
  ThreadEnv* existing = CurrentThreadEnv();
  if (existing != nullptr) return existing;
  std::unique_ptr<ThreadEnv>& slot = gThreads[GetCurrentThreadId()];
  slot.reset(new ThreadEnv());
  slot->env.functions = &gEnvTable;
  slot->thread = GetCurrentThreadId();
  slot->attached = true;
  slot->pendingException = -1;
  slot->frames.emplace_back();  // the frame an attached native thread starts with
  return slot.get();
}

void DetachThread(ThreadEnv* thread) {
  if (thread->frames.size() > 1) RecordViolation("thread detached with a local frame still pushed");
  for (const std::vector<int>& frame : thread->frames) KillLocalRefs(frame);
  thread->frames.clear();
  thread->attached = false;
  thread->pendingException = -1;
}

ThreadEnv* EnterEnv(JNIEnv* env, const char* function, bool allowedWithPendingException) {
  if (env == nullptr) {
    RecordViolation(std::string("null JNIEnv passed to ") + function);
    return nullptr;
  }
  ThreadEnv* thread = reinterpret_cast<ThreadEnv*>(env);
  if (thread->thread != GetCurrentThreadId()) {
    RecordViolation(std::string("JNIEnv of another thread used in ") + function);
    return nullptr;
  }
  if (!thread->attached) {
    RecordViolation(std::string("JNIEnv of a detached thread used in ") + function);
    return nullptr;
  }
  if (thread->pendingException >= 0 && !allowedWithPendingException) {
    RecordViolation(std::string(function) + " called with an exception pending");
  }
  return thread;
}

void Throw(ThreadEnv* thread, const char* throwableClass) {
  thread->pendingException = NewObject({ObjectKind::kThrowable, throwableClass, {}, {}});
}

}  // namespace fakejvm
