// The recording Java application: class "velmo/jni/VelmoPSJNI" with its
// static getInstance, and the print object's five methods.  Each call is
// recorded with copies of what it was given.
#include <cstdio>
#include <cstring>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

const char kEntryClass[] = "velmo/jni/VelmoPSJNI";
const char kPrintClass[] = "velmo/jni/VelmoPS";

const Method kInstanceMethods[] = {
    {"braskMain", "(Ljava/lang/String;)V", false}, {"runVelmo", "()V", false},
    {"writeHeader", "([B)V", false},               {"writePSData", "([B)I", false},
    {"writeEnd", "()V", false},
};

int gPrintObject = -1;

// The text as it is: a surrogate pair as its one character (four bytes), a
// surrogate without its partner as "\\u{XXXX}", which no valid text yields.
std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t point = text[i];
    bool high = point >= 0xD800 && point <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      char escaped[16];
      snprintf(escaped, sizeof escaped, "\\u{%04X}", static_cast<unsigned>(point));
      out += escaped;
      continue;
    }
    if (point < 0x80) {
      out += static_cast<char>(point);
    } else if (point < 0x800) {
      out += static_cast<char>(0xC0 | (point >> 6));
      out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      out += static_cast<char>(0xE0 | (point >> 12));
      out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (point >> 18));
      out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (point & 0x3F));
    }
  }
  return out;
}

// The byte array a print method was given, or null (with a violation: the
// application would fail on it) when there is none.
const std::string* ArrayArgument(const Method* method, jobject argument) {
  if (argument == nullptr) {
    RecordViolation(std::string("null array passed to Java ") + method->name);
    return nullptr;
  }
  int object = Deref(argument, method->name);
  if (object < 0) return nullptr;
  if (ObjectAt(object).kind != ObjectKind::kByteArray) {
    RecordViolation(std::string("non-array passed to Java ") + method->name);
    return nullptr;
  }
  return &ObjectAt(object).bytes;
}

// A Java application may start processes of its own (Runtime.exec, a
// viewer for the printed file); the JVM lets them inherit every inheritable
// handle of the process.  Once per process, on the first "runVelmo".
void StartChildOnce() {
  static bool started = false;
  std::string command = Setting("child_command");
  if (started || command.empty()) return;
  started = true;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    RecordEvent("child not started " + std::to_string(GetLastError()));
    return;
  }
  RecordEvent("child " + std::to_string(process.dwProcessId));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace

const Method kGetInstance = {"getInstance", "()Lvelmo/jni/VelmoPS;", true};

const Method* FindAppMethod(const char* cls, const char* name, const char* signature, bool isStatic) {
  if (isStatic) {
    bool found = strcmp(cls, kEntryClass) == 0 && strcmp(name, kGetInstance.name) == 0 &&
                 strcmp(signature, kGetInstance.signature) == 0 && !SettingFlag("no_get_instance");
    return found ? &kGetInstance : nullptr;
  }
  if (strcmp(cls, kPrintClass) != 0 || Setting("omit_method") == name) return nullptr;
  for (const Method& method : kInstanceMethods) {
    if (strcmp(method.name, name) == 0 && strcmp(method.signature, signature) == 0) return &method;
  }
  return nullptr;
}

bool MethodTakesArgument(const Method* method) { return strchr(method->signature, ';') != nullptr ||
                                                        strstr(method->signature, "[B") != nullptr; }

jobject RunStaticMethod(ThreadEnv* thread, const Method* method) {
  RecordEvent(std::string("java ") + method->name);
  if (Setting("throw_from") == method->name) {
    Throw(thread, "java/lang/RuntimeException");
    return nullptr;
  }
  if (!LoadConfiguredNativeLibrary(thread)) return nullptr;
  if (SettingFlag("null_instance")) return nullptr;
  if (gPrintObject < 0) gPrintObject = NewObject({ObjectKind::kInstance, kPrintClass, {}, {}});
  return MakeRef(thread, RefKind::kLocal, gPrintObject);
}

jint RunInstanceMethod(ThreadEnv* thread, const Method* method, jobject argument) {
  jint result = 0;
  std::string name = method->name;
  if (name == "braskMain") {
    if (argument == nullptr) {
      RecordEvent("java braskMain null");
    } else {
      int object = Deref(argument, "Java braskMain");
      if (object >= 0) {
        const std::u16string& text = ObjectAt(object).chars;
        RecordEvent("java braskMain " + Utf8(text));
        AppendReceived("string", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
      }
    }
  } else if (name == "writeHeader" || name == "writePSData") {
    const std::string* bytes = ArrayArgument(method, argument);
    size_t size = bytes != nullptr ? bytes->size() : 0;
    if (!CountOnly()) RecordEvent("java " + name + " " + std::to_string(size));
    if (bytes != nullptr) AppendReceived(name == "writeHeader" ? "header" : "data", bytes->data(), size);
    if (name == "writePSData") result = SettingInt("write_ps_data_result", static_cast<int>(size));
    // Counted and dropped, as a garbage collector would drop the array: a
    // benchmark's arrays must not pile up in memory.
    if (bytes != nullptr) DropArrayStorage(&ObjectAt(Deref(argument, method->name)).bytes);
  } else {
    RecordEvent("java " + name);
    if (name == "runVelmo") StartChildOnce();
  }
  if (Setting("throw_from") == name) Throw(thread, "java/lang/RuntimeException");
  return result;
}

}  // namespace fakejvm
