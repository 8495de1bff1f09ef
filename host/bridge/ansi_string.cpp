// Text handed to Java as UTF-16: from the ANSI code page, or wide as it is.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "host/host.h"
#include "host/bridge/java_exceptions.h"

jstring WideToJString(JNIEnv* env, const wchar_t* text) {
  if (text == nullptr) return nullptr;
  if (text[0] == L'\0') return env->NewStringUTF("");
  // wchar_t is UTF-16 on Windows, unit for unit Java's char: no conversion,
  // so a lone surrogate or U+00AD arrives as given.
  jstring result = env->NewString(reinterpret_cast<const jchar*>(text), static_cast<jsize>(wcslen(text)));
  if (ClearJavaException(env, "NewString")) result = nullptr;
  return result;
}

jstring AnsiToJString(JNIEnv* env, const char* text) {
  if (text == nullptr) return nullptr;
  if (text[0] == '\0') return env->NewStringUTF(text);

  int byteLength = static_cast<int>(strlen(text));
  int units = MultiByteToWideChar(CP_ACP, 0, text, byteLength, nullptr, 0);
  if (units <= 0) return nullptr;
  wchar_t* wide = static_cast<wchar_t*>(malloc(sizeof(wchar_t) * (static_cast<size_t>(units) + 1)));
  if (wide == nullptr) return nullptr;
  jstring result = nullptr;
  if (MultiByteToWideChar(CP_ACP, 0, text, byteLength, wide, units) > 0) {
    wide[units] = L'\0';
    result = WideToJString(env, wide);
  }
  free(wide);
  return result;
}
