// The creation arguments as HotSpot reads them: in order, so a hook counts
// only from its own option on; the class path; the permanent-generation
// options, gone from the runtime since Java 8 and unknown from Java 17 on.
#include <cstring>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

const char kClassPathOption[] = "-Djava.class.path=";

bool StartsWith(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

// Options of the kinds HotSpot knows; anything else is an unrecognised option.
bool KnownOptionKind(const char* text) {
  for (const char* prefix : {"-D", "-X", "-verbose", "-ea", "-da", "-esa", "-dsa", "-javaagent:", "-agentlib:",
                             "-agentpath:"}) {
    if (StartsWith(text, prefix)) return true;
  }
  return false;
}

bool IsPermanentGenerationFlag(const std::string& flag) {
  std::string name = flag.substr(0, flag.find('='));
  return name == "PermSize" || name == "MaxPermSize";
}

}  // namespace

jint ReadStartupArguments(const JavaVMInitArgs* init, int javaVersion) {
  if (init == nullptr) return JNI_ERR;
  bool ignore = init->ignoreUnrecognized != JNI_FALSE;
  for (jint i = 0; i < init->nOptions; ++i) {
    const JavaVMOption& option = init->options[i];
    const char* text = option.optionString;
    if (text == nullptr) return JNI_ERR;
    if (strcmp(text, "vfprintf") == 0) {
      Hooks()->vfprintfHook = reinterpret_cast<VfprintfHook>(option.extraInfo);
    } else if (strcmp(text, "exit") == 0) {
      Hooks()->exitHook = reinterpret_cast<ExitHook>(option.extraInfo);
    } else if (strcmp(text, "abort") == 0) {
      Hooks()->abortHook = reinterpret_cast<AbortHook>(option.extraInfo);
    } else if (StartsWith(text, kClassPathOption)) {
      SetClassPath(text + strlen(kClassPathOption));
    } else if (StartsWith(text, "-XX:") && IsPermanentGenerationFlag(text + 4)) {
      if (javaVersion >= 17) {
        if (ignore) continue;
        VmPrint("Unrecognized VM option '%s'\n", text + 4);
        return JNI_EINVAL;
      }
      if (javaVersion >= 8) {
        VmPrint("OpenJDK 64-Bit Server VM warning: ignoring option %s; support was removed in %s\n", text + 4, "8.0");
      }
    } else if (!KnownOptionKind(text)) {
      if (ignore) continue;
      VmPrint("Unrecognized option: %s\n", text);
      return JNI_ERR;
    }
  }
  return JNI_OK;
}

}  // namespace fakejvm
