// The creation arguments as HotSpot reads them: JAVA_TOOL_OPTIONS, then the
// creation's own options in order (so a hook counts only from its own option
// on), then _JAVA_OPTIONS; the class path; the -XX flags, the
// permanent-generation ones gone from the runtime since Java 8 and unknown
// from Java 17 on.
#include <cstring>
#include <vector>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

const char kClassPathOption[] = "-Djava.class.path=";

// The -XX flags this virtual machine knows besides the permanent-generation
// ones; HotSpot refuses any other.
const char* const kKnownFlags[] = {
    "UseG1GC",          "UseParallelGC",        "UseSerialGC",       "MaxMetaspaceSize",
    "MetaspaceSize",    "MaxRAMPercentage",     "InitialRAMPercentage", "HeapDumpOnOutOfMemoryError",
    "HeapDumpPath",     "ErrorFile",            "MaxDirectMemorySize", "ThreadStackSize",
    "ReservedCodeCacheSize", "UseStringDeduplication",
};

bool StartsWith(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

// Options of the kinds HotSpot knows; anything else is an unrecognised option.
bool KnownOptionKind(const char* text) {
  for (const char* prefix : {"-D", "-X", "-verbose", "-ea", "-da", "-esa", "-dsa", "-javaagent:", "-agentlib:",
                             "-agentpath:"}) {
    if (StartsWith(text, prefix)) return true;
  }
  return false;
}

// "-XX:+Name", "-XX:-Name" and "-XX:Name=value" all name the flag "Name".
std::string FlagName(const char* flag) {
  if (*flag == '+' || *flag == '-') ++flag;
  std::string name = flag;
  return name.substr(0, name.find('='));
}

bool IsPermanentGenerationFlag(const std::string& name) { return name == "PermSize" || name == "MaxPermSize"; }

bool IsKnownFlag(const std::string& name) {
  for (const char* known : kKnownFlags) {
    if (name == known) return true;
  }
  return false;
}

// Java 8 names the option as given; 9 to 16 name the bare flag from their
// table of obsolete flags.
void WarnIgnoredPermanentGenerationFlag(const char* flag, const std::string& name, int javaVersion) {
  if (javaVersion == 8) {
    VmWarning("ignoring option %s; support was removed in %s", flag, "8.0");
  } else {
    VmWarning("Ignoring option %s; support was removed in %s", name.c_str(), "8.0");
  }
}

// One option; JNI_OK, or the result HotSpot gives when it refuses it.
jint ReadOption(const char* text, void* extraInfo, int javaVersion, bool ignore) {
  if (text == nullptr) return JNI_ERR;
  if (strcmp(text, "vfprintf") == 0) {
    Hooks()->vfprintfHook = reinterpret_cast<VfprintfHook>(extraInfo);
  } else if (strcmp(text, "exit") == 0) {
    Hooks()->exitHook = reinterpret_cast<ExitHook>(extraInfo);
  } else if (strcmp(text, "abort") == 0) {
    Hooks()->abortHook = reinterpret_cast<AbortHook>(extraInfo);
  } else if (StartsWith(text, kClassPathOption)) {
    SetClassPath(text + strlen(kClassPathOption));
  } else if (StartsWith(text, "-XX:")) {
    const char* flag = text + 4;
    std::string name = FlagName(flag);
    bool known = IsKnownFlag(name) || (IsPermanentGenerationFlag(name) && javaVersion < 17);
    if (!known) {
      if (ignore) return JNI_OK;
      // The flag as given, without its sign.
      VmPrint("Unrecognized VM option '%s'\n", *flag == '+' || *flag == '-' ? flag + 1 : flag);
      return JNI_EINVAL;
    }
    if (IsPermanentGenerationFlag(name) && javaVersion >= 8) WarnIgnoredPermanentGenerationFlag(flag, name, javaVersion);
  } else if (!KnownOptionKind(text)) {
    if (ignore) return JNI_OK;
    VmPrint("Unrecognized %s%soption: %s\n", "", "", text);
    return JNI_ERR;
  }
  return JNI_OK;
}

// The options an environment variable holds, split at blanks.  HotSpot reads
// both variables before any option and says so on standard error, before
// any hook is known.
std::vector<std::string> OptionsFromVariable(const char* variable) {
  std::vector<std::string> options;
  char value[4096];
  DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
  if (length == 0 || length >= sizeof value) return options;
  fprintf(stderr, "Picked up %s: %s\n", variable, value);
  for (const char* at = value; *at != '\0';) {
    while (*at == ' ' || *at == '\t') ++at;
    const char* end = at;
    while (*end != '\0' && *end != ' ' && *end != '\t') ++end;
    if (end > at) options.emplace_back(at, end);
    at = end;
  }
  return options;
}

}  // namespace

jint ReadStartupArguments(const JavaVMInitArgs* init, int javaVersion) {
  if (init == nullptr) return JNI_ERR;
  bool ignore = init->ignoreUnrecognized != JNI_FALSE;
  std::vector<std::string> toolOptions = OptionsFromVariable("JAVA_TOOL_OPTIONS");
  std::vector<std::string> userOptions = OptionsFromVariable("_JAVA_OPTIONS");
  for (const std::string& text : toolOptions) {
    jint result = ReadOption(text.c_str(), nullptr, javaVersion, ignore);
    if (result != JNI_OK) return result;
  }
  for (jint i = 0; i < init->nOptions; ++i) {
    jint result = ReadOption(init->options[i].optionString, init->options[i].extraInfo, javaVersion, ignore);
    if (result != JNI_OK) return result;
  }
  for (const std::string& text : userOptions) {
    jint result = ReadOption(text.c_str(), nullptr, javaVersion, ignore);
    if (result != JNI_OK) return result;
  }
  return JNI_OK;
}

}  // namespace fakejvm
