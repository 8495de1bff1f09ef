// Text in the ANSI code page handed to Java as UTF-16.
#include <cstdlib>
#include <cstring>

#include "host/host.h"
#include "host/java_exceptions.h"

jstring AnsiToJString(JNIEnv* env, const char* text) {
  if (text == nullptr) return nullptr;
  if (text[0] == '\0') return env->NewStringUTF(text);

  int byteLength = static_cast<int>(strlen(text));
  int units = MultiByteToWideChar(CP_ACP, 0, text, byteLength, nullptr, 0);
  if (units <= 0) return nullptr;
  wchar_t* wide = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * static_cast<size_t>(units)));
  if (wide == nullptr) return nullptr;
  jstring result = nullptr;
  if (MultiByteToWideChar(CP_ACP, 0, text, byteLength, wide, units) > 0) {
    result = env->NewString(reinterpret_cast<const jchar*>(wide), units);
    if (ClearJavaException(env, "NewString")) result = nullptr;
  }
  free(wide);
  return result;
}
