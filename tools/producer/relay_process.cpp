#include "tools/producer/relay_process.h"

#include <cstdio>
#include <vector>

bool StartRelayProcess(const std::string& jvmhostPath, ProducerChannel* channel, DWORD* processId,
                       HANDLE* mainThread) {
  // The relay reads its argument with "%d": the handle value in decimal.
  char argument[32];
  snprintf(argument, sizeof argument, "%lu",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(channel->controlMapping)));
  std::string commandLine = "\"" + jvmhostPath + "\" " + argument;
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(jvmhostPath.c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  if (mainThread != nullptr) {
    *mainThread = process.hThread;
  } else {
    CloseHandle(process.hThread);
  }
  channel->relay = process.hProcess;
  if (processId != nullptr) *processId = process.dwProcessId;
  return true;
}

bool EndRelayProcess(ProducerChannel* channel, DWORD timeoutMs, DWORD* exitCode) {
  if (channel->relay == nullptr) return false;
  // No message of the protocol ends the relay; once the last job has been
  // acknowledged, ending the process loses nothing.
  if (WaitForSingleObject(channel->relay, 0) == WAIT_TIMEOUT) TerminateProcess(channel->relay, 0);
  bool ended = WaitForSingleObject(channel->relay, timeoutMs) == WAIT_OBJECT_0;
  if (ended && exitCode != nullptr) GetExitCodeProcess(channel->relay, exitCode);
  CloseHandle(channel->relay);
  channel->relay = nullptr;
  return ended;
}
