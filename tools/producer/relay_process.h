// jvmhost.exe started as the print relay on a producer's channel.
#pragma once

#include <windows.h>

#include <string>

#include "tools/producer/print_producer.h"

// Starts jvmhost with the control mapping's handle value as its only argument,
// passing the channel's inheritable handles on; the channel's relay field
// then names the process.  mainThread, when given, receives the handle of
// the process's main thread, where the relay's intake runs (the caller
// closes it).  False when the process could not be started.
bool StartRelayProcess(const std::string& jvmhostPath, ProducerChannel* channel, DWORD* processId,
                       HANDLE* mainThread = nullptr);

// jvmhost started as above by a short-lived process of its own (starterPath
// run with kRelayStarterOption, see RunRelayStarter), so that the relay's
// life depends on the channel's handles alone, not on this process's: it
// ends by itself once they are closed (AwaitRelayEnd).  The channel's relay
// field then names the relay's process.
bool StartRelayProcessAsOthers(const std::string& starterPath, const std::string& jvmhostPath,
                               ProducerChannel* channel, DWORD* processId);
// The starter's side: starts jvmhost with handleArgument, inheriting the
// handles, and gives the producer's process a handle to it.  Returns that
// handle's value, the starter's exit code; 0 on failure.
constexpr const char* kRelayStarterOption = "--start-relay";
DWORD RunRelayStarter(DWORD producerId, const std::string& jvmhostPath, const std::string& handleArgument);

// Ends a relay without cutting Java short, as a port monitor should: closes
// the channel's handles and waits, at most timeoutMs, for the relay to end by
// itself, which it does once nobody else holds them and its workers have
// left Java; only past the bound is it ended.  True when it ended by
// itself; its exit code in *exitCode.
bool AwaitRelayEnd(ProducerChannel* channel, DWORD timeoutMs, DWORD* exitCode);

// Ends the relay's process at once.  What Java still had to do of the last
// job is cut short: its "writeEnd", or even its last "writePSData", still
// runs after the producer has seen the job's end.  For tests and the
// benchmark, once they have what they measure.  True when the process had
// already ended or ended within timeoutMs; its exit code in *exitCode.
bool EndRelayProcess(ProducerChannel* channel, DWORD timeoutMs, DWORD* exitCode);
