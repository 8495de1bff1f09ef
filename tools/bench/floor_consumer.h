// The floor of the relay benchmark: a consumer of the print-job protocol
// that does everything the relay's intake does towards the producer (the
// same mappings, events and views, per job and per chunk) but passes no
// chunk to a worker: it copies each chunk out of its view and acknowledges.
// With FAKEJVM_WORK_US set it spends that long on each chunk in place, as the
// stand-in Java application does on its worker.
#pragma once

#include <cstdint>

// Serves jobs on the control mapping until a wait fails; like the relay it
// never ends by itself.  False when the control mapping cannot be mapped.
bool RunFloorConsumer(uintptr_t controlMapping);
