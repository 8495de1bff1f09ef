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

// The relay does not end by itself while the process that started it lives
// (it waits for the next job): the producer ends it once its last job is
// acknowledged.  True when the process had
// already ended or ended within timeoutMs; its exit code in *exitCode.
bool EndRelayProcess(ProducerChannel* channel, DWORD timeoutMs, DWORD* exitCode);
