#include "tools/producer/relay_process.h"

#include <string>
#include <vector>

namespace {

// Starts `program` with `arguments`, passing every inheritable handle on.
bool StartInheriting(const std::string& program, const std::string& arguments, PROCESS_INFORMATION* process) {
  std::string commandLine = "\"" + program + "\" " + arguments;
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        process) != FALSE;
}

// The relay reads its argument with "%d": the handle value in decimal.
std::string HandleArgument(const ProducerChannel* channel) {
  return std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(channel->controlMapping)));
}

}  // namespace

bool StartRelayProcess(const std::string& jvmhostPath, ProducerChannel* channel, DWORD* processId,
                       HANDLE* mainThread) {
  PROCESS_INFORMATION process = {};
  if (!StartInheriting(jvmhostPath, HandleArgument(channel), &process)) return false;
  if (mainThread != nullptr) {
    *mainThread = process.hThread;
  } else {
    CloseHandle(process.hThread);
  }
  channel->relay = process.hProcess;
  if (processId != nullptr) *processId = process.dwProcessId;
  return true;
}

bool StartRelayProcessAsOthers(const std::string& starterPath, const std::string& jvmhostPath,
                               ProducerChannel* channel, DWORD* processId) {
  PROCESS_INFORMATION starter = {};
  std::string arguments = std::string(kRelayStarterOption) + " " + std::to_string(GetCurrentProcessId()) + " \"" +
                          jvmhostPath + "\" " + HandleArgument(channel);
  if (!StartInheriting(starterPath, arguments, &starter)) return false;
  CloseHandle(starter.hThread);
  DWORD relay = 0;
  bool ended = WaitForSingleObject(starter.hProcess, 30000) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(starter.hProcess, &relay);
  if (!ended) TerminateProcess(starter.hProcess, 0);
  CloseHandle(starter.hProcess);
  // The exit code is the value of the handle it gave this process; handle
  // values are multiples of 4, so never STILL_ACTIVE.
  if (!ended || relay == 0) {
    SetLastError(ERROR_PROCESS_ABORTED);
    return false;
  }
  channel->relay = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(relay));
  if (processId != nullptr) *processId = GetProcessId(channel->relay);
  return true;
}

DWORD RunRelayStarter(DWORD producerId, const std::string& jvmhostPath, const std::string& handleArgument) {
  HANDLE producer = OpenProcess(PROCESS_DUP_HANDLE, FALSE, producerId);
  if (producer == nullptr) return 0;
  PROCESS_INFORMATION relay = {};
  HANDLE inProducer = nullptr;
  if (StartInheriting(jvmhostPath, handleArgument, &relay)) {
    CloseHandle(relay.hThread);
    // Failing, the producer learns it from an exit code of 0.
    if (!DuplicateHandle(GetCurrentProcess(), relay.hProcess, producer, &inProducer, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      inProducer = nullptr;
    }
    CloseHandle(relay.hProcess);
  }
  CloseHandle(producer);
  return static_cast<DWORD>(reinterpret_cast<uintptr_t>(inProducer));
}

bool AwaitRelayEnd(ProducerChannel* channel, DWORD timeoutMs, DWORD* exitCode) {
  HANDLE relay = channel->relay;
  channel->relay = nullptr;
  CloseProducerChannel(channel);
  channel->relay = relay;
  if (relay == nullptr) return false;
  bool ended = WaitForSingleObject(relay, timeoutMs) == WAIT_OBJECT_0;
  if (ended && exitCode != nullptr) GetExitCodeProcess(relay, exitCode);
  // Past the bound a worker is stuck in Java: only then is it cut short.
  if (!ended) TerminateProcess(relay, 0);
  CloseHandle(relay);
  channel->relay = nullptr;
  return ended;
}

bool EndRelayProcess(ProducerChannel* channel, DWORD timeoutMs, DWORD* exitCode) {
  if (channel->relay == nullptr) return false;
  // Ended at once, whatever Java still had to do of the last job: its
  // "writeEnd", or even its last "writePSData", follows the job's end
  // towards the producer.  For callers that need nothing more of it.
  if (WaitForSingleObject(channel->relay, 0) == WAIT_TIMEOUT) TerminateProcess(channel->relay, 0);
  bool ended = WaitForSingleObject(channel->relay, timeoutMs) == WAIT_OBJECT_0;
  if (ended && exitCode != nullptr) GetExitCodeProcess(channel->relay, exitCode);
  CloseHandle(channel->relay);
  channel->relay = nullptr;
  return ended;
}
