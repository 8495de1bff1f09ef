// The JNIEnv function table of the stand-in: the functions the host may use,
// each checked and recorded.  Every other slot reports itself as a violation.
#include <cstdarg>
#include <cstring>
#include <utility>

#include "tools/fakejvm/fake_vm.h"
#include "tools/fakejvm/java_work.h"

namespace fakejvm {

// Counted from the last reset of the record, so a test counts its own.
int gNewByteArrayCalls = 0;

namespace {

int gWriteEndCalls = 0;

// slowMs value for a call that does not return while hang_end is set.
constexpr int kHang = -1;

// A "writeEnd" that never returns, as with a dialog left open or a deadlock
// in Java.  Polled outside the lock, so other threads go on; a test in the
// same process releases it by clearing the setting.
void HangWhileSet() {
  for (;;) {
    {
      Lock lock;
      if (Setting("hang_end").empty()) return;
    }
    Sleep(20);
  }
}

// How long a Java method takes, spent outside the lock.
struct JavaTime {
  int slowMs;
  int workUs;
  std::string holdEvent;  // hold_data: the event that releases the call
};

// hold_data: a call still held this long is a fault of the test or the host.
constexpr DWORD kHoldBoundMs = 10000;

// A "writePSData" that returns only when the test releases it, one signal of
// the named event per call; strict, since a host that waits for Java before
// it acknowledges the chunk would keep the release from ever coming.
void HoldUntilReleased(const std::string& eventName) {
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, eventName.c_str());
  DWORD wait = release != nullptr ? WaitForSingleObject(release, kHoldBoundMs) : WAIT_FAILED;
  if (release != nullptr) CloseHandle(release);
  if (wait == WAIT_OBJECT_0) return;
  Lock lock;
  RecordViolation("writePSData held " + std::to_string(kHoldBoundMs) + " ms, never released through " + eventName +
                  " (wait " + std::to_string(wait) + ", error " + std::to_string(GetLastError()) + ")");
}

void SpendJavaTime(const JavaTime& time) {
  if (time.slowMs == kHang) HangWhileSet();
  if (time.slowMs > 0) Sleep(static_cast<DWORD>(time.slowMs));
  SpendJavaMicroseconds(time.workUs);
  if (!time.holdEvent.empty()) HoldUntilReleased(time.holdEvent);
}

int ClassNamed(const char* name) { return NewObject({ObjectKind::kClass, name, {}, {}}); }

jint JNICALL GetVersion(JNIEnv* env) {
  Lock lock;
  EnterEnv(env, "GetVersion", false);
  return JNI_VERSION_1_6;
}

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "FindClass", false);
  if (thread == nullptr) return nullptr;
  RecordEvent(std::string("FindClass ") + (name ? name : "(null)"));
  // The application's class comes only from the class path it was started
  // with, from the first entry that holds it.
  std::string source = name != nullptr && strcmp(name, "velmo/jni/VelmoPSJNI") == 0 ? ClassSource(name) : "";
  if (source.empty() || SettingFlag("no_class")) {
    Throw(thread, "java/lang/NoClassDefFoundError");
    return nullptr;
  }
  RecordEvent(std::string("class ") + name + " from " + source);
  return static_cast<jclass>(MakeRef(thread, RefKind::kLocal, ClassNamed(name)));
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "ExceptionOccurred", true);
  if (thread == nullptr || thread->pendingException < 0) return nullptr;
  return static_cast<jthrowable>(MakeRef(thread, RefKind::kLocal, thread->pendingException));
}

void JNICALL ExceptionDescribe(JNIEnv* env) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "ExceptionDescribe", true);
  if (thread != nullptr) thread->pendingException = -1;
  RecordEvent("ExceptionDescribe");
}

void JNICALL ExceptionClear(JNIEnv* env) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "ExceptionClear", true);
  if (thread != nullptr) thread->pendingException = -1;
  RecordEvent("ExceptionClear");
}

jboolean JNICALL ExceptionCheck(JNIEnv* env) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "ExceptionCheck", true);
  return thread != nullptr && thread->pendingException >= 0 ? JNI_TRUE : JNI_FALSE;
}

jint JNICALL PushLocalFrame(JNIEnv* env, jint) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "PushLocalFrame", true);
  if (thread != nullptr) thread->frames.emplace_back();
  return 0;
}

jobject JNICALL PopLocalFrame(JNIEnv* env, jobject result) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "PopLocalFrame", true);
  if (thread == nullptr) return nullptr;
  if (thread->frames.size() < 2) {
    RecordViolation("PopLocalFrame without a pushed frame");
    return nullptr;
  }
  int kept = result != nullptr ? Deref(result, "PopLocalFrame") : -1;
  KillLocalRefs(thread->frames.back());
  thread->frames.pop_back();
  return kept >= 0 ? MakeRef(thread, RefKind::kLocal, kept) : nullptr;
}

jobject JNICALL NewGlobalRef(JNIEnv* env, jobject ref) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "NewGlobalRef", false);
  if (thread == nullptr) return nullptr;
  RecordEvent("NewGlobalRef");
  int object = Deref(ref, "NewGlobalRef");
  return object >= 0 ? MakeRef(thread, RefKind::kGlobal, object) : nullptr;
}

void JNICALL DeleteGlobalRef(JNIEnv* env, jobject ref) {
  Lock lock;
  if (EnterEnv(env, "DeleteGlobalRef", true) == nullptr) return;
  RecordEvent("DeleteGlobalRef");
  DeleteRef(ref, RefKind::kGlobal, "DeleteGlobalRef");
}

void JNICALL DeleteLocalRef(JNIEnv* env, jobject ref) {
  Lock lock;
  if (EnterEnv(env, "DeleteLocalRef", true) == nullptr) return;
  if (!CountOnly()) RecordEvent("DeleteLocalRef");
  DeleteRef(ref, RefKind::kLocal, "DeleteLocalRef");
}

jboolean JNICALL IsSameObject(JNIEnv* env, jobject a, jobject b) {
  Lock lock;
  EnterEnv(env, "IsSameObject", false);
  if (a == nullptr || b == nullptr) return a == b ? JNI_TRUE : JNI_FALSE;
  return Deref(a, "IsSameObject") == Deref(b, "IsSameObject") ? JNI_TRUE : JNI_FALSE;
}

jobject JNICALL NewLocalRef(JNIEnv* env, jobject ref) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "NewLocalRef", false);
  if (thread == nullptr || ref == nullptr) return nullptr;
  int object = Deref(ref, "NewLocalRef");
  return object >= 0 ? MakeRef(thread, RefKind::kLocal, object) : nullptr;
}

jint JNICALL EnsureLocalCapacity(JNIEnv* env, jint) {
  Lock lock;
  EnterEnv(env, "EnsureLocalCapacity", false);
  return 0;
}

jclass JNICALL GetObjectClass(JNIEnv* env, jobject object) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "GetObjectClass", false);
  if (thread == nullptr) return nullptr;
  RecordEvent("GetObjectClass");
  int index = Deref(object, "GetObjectClass");
  if (index < 0) return nullptr;
  std::string name = ObjectAt(index).name;
  return static_cast<jclass>(MakeRef(thread, RefKind::kLocal, ClassNamed(name.c_str())));
}

jmethodID LookUp(JNIEnv* env, jclass cls, const char* name, const char* signature, bool isStatic) {
  const char* function = isStatic ? "GetStaticMethodID" : "GetMethodID";
  ThreadEnv* thread = EnterEnv(env, function, false);
  if (thread == nullptr) return nullptr;
  RecordEvent(std::string(function) + " " + (name ? name : "(null)") + " " + (signature ? signature : "(null)"));
  int object = Deref(cls, function);
  if (object < 0 || name == nullptr || signature == nullptr) return nullptr;
  if (ObjectAt(object).kind != ObjectKind::kClass) {
    RecordViolation(std::string("non-class passed to ") + function);
    return nullptr;
  }
  const Method* method = FindAppMethod(ObjectAt(object).name.c_str(), name, signature, isStatic);
  if (method == nullptr) Throw(thread, "java/lang/NoSuchMethodError");
  return reinterpret_cast<jmethodID>(const_cast<Method*>(method));
}

jmethodID JNICALL GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* signature) {
  Lock lock;
  return LookUp(env, cls, name, signature, false);
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* signature) {
  Lock lock;
  return LookUp(env, cls, name, signature, true);
}

// One instance-method call; `time` tells the caller how long Java would
// take, spent outside the lock so other threads go on meanwhile.
jint CallInstance(JNIEnv* env, jobject object, jmethodID id, jobject argument, const char* function,
                  JavaTime* time) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, function, false);
  if (thread == nullptr) return 0;
  int target = Deref(object, function);
  const Method* method = reinterpret_cast<const Method*>(id);
  if (method == nullptr) {
    RecordViolation(std::string("null method ID passed to ") + function);
    return 0;
  }
  if (target < 0 || method->isStatic) return 0;
  if (std::string(method->name) == "writePSData") {
    time->slowMs = SettingInt("slow_ms", 0);
    time->workUs = SettingInt("work_us", 0);
    time->holdEvent = Setting("hold_data");
  }
  if (std::string(method->name) == "writeEnd") {
    time->slowMs = SettingInt("slow_end_ms", 0);
    if (++gWriteEndCalls <= SettingInt("hang_end", 0)) time->slowMs = kHang;
  }
  return RunInstanceMethod(thread, method, argument);
}

jint CallInstanceV(JNIEnv* env, jobject object, jmethodID id, va_list args, const char* function) {
  const Method* method = reinterpret_cast<const Method*>(id);
  jobject argument = method != nullptr && MethodTakesArgument(method) ? va_arg(args, jobject) : nullptr;
  JavaTime time = {0, 0, {}};
  jint result = CallInstance(env, object, id, argument, function, &time);
  SpendJavaTime(time);
  return result;
}

jint CallInstanceA(JNIEnv* env, jobject object, jmethodID id, const jvalue* args, const char* function) {
  const Method* method = reinterpret_cast<const Method*>(id);
  jobject argument = method != nullptr && MethodTakesArgument(method) && args != nullptr ? args[0].l : nullptr;
  JavaTime time = {0, 0, {}};
  jint result = CallInstance(env, object, id, argument, function, &time);
  SpendJavaTime(time);
  return result;
}

void JNICALL CallVoidMethod(JNIEnv* env, jobject object, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  CallInstanceV(env, object, id, args, "CallVoidMethod");
  va_end(args);
}
void JNICALL CallVoidMethodV(JNIEnv* env, jobject object, jmethodID id, va_list args) {
  CallInstanceV(env, object, id, args, "CallVoidMethodV");
}
void JNICALL CallVoidMethodA(JNIEnv* env, jobject object, jmethodID id, const jvalue* args) {
  CallInstanceA(env, object, id, args, "CallVoidMethodA");
}
jint JNICALL CallIntMethod(JNIEnv* env, jobject object, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jint result = CallInstanceV(env, object, id, args, "CallIntMethod");
  va_end(args);
  return result;
}
jint JNICALL CallIntMethodV(JNIEnv* env, jobject object, jmethodID id, va_list args) {
  return CallInstanceV(env, object, id, args, "CallIntMethodV");
}
jint JNICALL CallIntMethodA(JNIEnv* env, jobject object, jmethodID id, const jvalue* args) {
  return CallInstanceA(env, object, id, args, "CallIntMethodA");
}

jobject CallStatic(JNIEnv* env, jclass cls, jmethodID id, const char* function) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, function, false);
  if (thread == nullptr) return nullptr;
  if (Deref(cls, function) < 0) return nullptr;
  const Method* method = reinterpret_cast<const Method*>(id);
  if (method == nullptr || !method->isStatic) {
    RecordViolation(std::string("bad method ID passed to ") + function);
    return nullptr;
  }
  return RunStaticMethod(thread, method);
}
jobject JNICALL CallStaticObjectMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  return CallStatic(env, cls, id, "CallStaticObjectMethod");
}
jobject JNICALL CallStaticObjectMethodV(JNIEnv* env, jclass cls, jmethodID id, va_list) {
  return CallStatic(env, cls, id, "CallStaticObjectMethodV");
}
jobject JNICALL CallStaticObjectMethodA(JNIEnv* env, jclass cls, jmethodID id, const jvalue*) {
  return CallStatic(env, cls, id, "CallStaticObjectMethodA");
}

jstring MakeString(ThreadEnv* thread, std::u16string chars) {
  return static_cast<jstring>(MakeRef(thread, RefKind::kLocal, NewObject({ObjectKind::kString, "", {}, chars})));
}

jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "NewString", false);
  if (thread == nullptr) return nullptr;
  if (chars == nullptr && length > 0) {
    RecordViolation("null characters passed to NewString");
    return nullptr;
  }
  RecordEvent("NewString " + std::to_string(length));
  return MakeString(thread, std::u16string(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(length)));
}

jstring JNICALL NewStringUTF(JNIEnv* env, const char* utf) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "NewStringUTF", false);
  if (thread == nullptr || utf == nullptr) return nullptr;
  RecordEvent(std::string("NewStringUTF ") + utf);
  std::u16string chars;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf); *p;) {
    if (*p < 0x80) {
      chars += static_cast<char16_t>(*p++);
    } else if ((*p & 0xE0) == 0xC0 && p[1]) {
      chars += static_cast<char16_t>(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
      p += 2;
    } else if (p[1] && p[2]) {
      chars += static_cast<char16_t>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
      p += 3;
    } else {
      break;
    }
  }
  return MakeString(thread, chars);
}

jsize JNICALL GetArrayLength(JNIEnv* env, jarray array) {
  Lock lock;
  EnterEnv(env, "GetArrayLength", false);
  int object = Deref(array, "GetArrayLength");
  return object >= 0 ? static_cast<jsize>(ObjectAt(object).bytes.size()) : 0;
}

jbyteArray JNICALL NewByteArray(JNIEnv* env, jsize length) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "NewByteArray", false);
  if (thread == nullptr) return nullptr;
  if (!CountOnly()) RecordEvent("NewByteArray " + std::to_string(length));
  ++gNewByteArrayCalls;
  int failFrom = SettingInt("fail_new_byte_array", 0);
  int failOnce = SettingInt("fail_new_byte_array_once", 0);
  if (length < 0 || (failFrom > 0 && gNewByteArrayCalls >= failFrom) || gNewByteArrayCalls == failOnce) {
    Throw(thread, "java/lang/OutOfMemoryError");
    return nullptr;
  }
  Object array{ObjectKind::kByteArray, "[B", TakeArrayStorage(static_cast<size_t>(length)), {}};
  return static_cast<jbyteArray>(MakeRef(thread, RefKind::kLocal, NewObject(std::move(array))));
}

// copy_ms: the caller's bytes are read only after a pause, as a copy that
// the system preempts, and read without trusting them to be mapped still: a
// caller that let go of them meanwhile is a violation, not a crash.
bool CopyCallersBytes(char* to, const jbyte* from, size_t length, int copyMs) {
  if (copyMs <= 0) {
    memcpy(to, from, length);
    return true;
  }
  SIZE_T read = 0;
  if (ReadProcessMemory(GetCurrentProcess(), from, to, length, &read) && read == length) return true;
  RecordViolation("SetByteArrayRegion: the caller's bytes were gone after " + std::to_string(copyMs) + " ms");
  return false;
}

void JNICALL SetByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length, const jbyte* bytes) {
  int copyMs = 0;
  {
    Lock lock;
    copyMs = SettingInt("copy_ms", 0);
  }
  // Outside the lock: other threads go on meanwhile.
  if (copyMs > 0) Sleep(static_cast<DWORD>(copyMs));
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "SetByteArrayRegion", false);
  if (thread == nullptr) return;
  int object = Deref(array, "SetByteArrayRegion");
  if (object < 0) return;
  std::string& data = ObjectAt(object).bytes;
  if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > data.size()) {
    Throw(thread, "java/lang/ArrayIndexOutOfBoundsException");
    return;
  }
  if (length > 0) CopyCallersBytes(&data[static_cast<size_t>(start)], bytes, static_cast<size_t>(length), copyMs);
}

void JNICALL GetByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length, jbyte* bytes) {
  Lock lock;
  ThreadEnv* thread = EnterEnv(env, "GetByteArrayRegion", false);
  if (thread == nullptr) return;
  int object = Deref(array, "GetByteArrayRegion");
  if (object < 0) return;
  const std::string& data = ObjectAt(object).bytes;
  if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > data.size()) {
    Throw(thread, "java/lang/ArrayIndexOutOfBoundsException");
    return;
  }
  if (length > 0) memcpy(bytes, data.data() + start, static_cast<size_t>(length));
}

constexpr size_t kSlots = sizeof(JNINativeInterface_) / sizeof(void*);

template <size_t Slot>
void* JNICALL Unsupported(JNIEnv*) {
  Lock lock;
  RecordViolation("unsupported JNI function in slot " + std::to_string(Slot));
  return nullptr;
}

template <size_t... Slots>
void FillUnsupported(void** table, std::index_sequence<Slots...>) {
  ((table[Slots] = reinterpret_cast<void*>(&Unsupported<Slots>)), ...);
}

JNINativeInterface_ BuildTable() {
  JNINativeInterface_ table;
  FillUnsupported(reinterpret_cast<void**>(&table), std::make_index_sequence<kSlots>());
  table.reserved0 = table.reserved1 = table.reserved2 = table.reserved3 = nullptr;
  table.GetVersion = GetVersion;
  table.FindClass = FindClass;
  table.ExceptionOccurred = ExceptionOccurred;
  table.ExceptionDescribe = ExceptionDescribe;
  table.ExceptionClear = ExceptionClear;
  table.ExceptionCheck = ExceptionCheck;
  table.PushLocalFrame = PushLocalFrame;
  table.PopLocalFrame = PopLocalFrame;
  table.NewGlobalRef = NewGlobalRef;
  table.DeleteGlobalRef = DeleteGlobalRef;
  table.DeleteLocalRef = DeleteLocalRef;
  table.IsSameObject = IsSameObject;
  table.NewLocalRef = NewLocalRef;
  table.EnsureLocalCapacity = EnsureLocalCapacity;
  table.GetObjectClass = GetObjectClass;
  table.GetMethodID = GetMethodID;
  table.CallVoidMethod = CallVoidMethod;
  table.CallVoidMethodV = CallVoidMethodV;
  table.CallVoidMethodA = CallVoidMethodA;
  table.CallIntMethod = CallIntMethod;
  table.CallIntMethodV = CallIntMethodV;
  table.CallIntMethodA = CallIntMethodA;
  table.GetStaticMethodID = GetStaticMethodID;
  table.CallStaticObjectMethod = CallStaticObjectMethod;
  table.CallStaticObjectMethodV = CallStaticObjectMethodV;
  table.CallStaticObjectMethodA = CallStaticObjectMethodA;
  table.NewString = NewString;
  table.NewStringUTF = NewStringUTF;
  table.GetArrayLength = GetArrayLength;
  table.NewByteArray = NewByteArray;
  table.SetByteArrayRegion = SetByteArrayRegion;
  table.GetByteArrayRegion = GetByteArrayRegion;
  return table;
}

}  // namespace

const JNINativeInterface_ gEnvTable = BuildTable();

}  // namespace fakejvm
