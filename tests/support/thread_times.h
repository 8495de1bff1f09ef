// Processor time a thread has used, for checks that a waiting thread waits.
#pragma once

#include <windows.h>

// Kernel and user time of the thread so far, in milliseconds; -1 when the
// system cannot tell.
double ThreadCpuMs(HANDLE thread);
