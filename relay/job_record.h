// What the trace file says of each job: counted in memory while the job
// runs (a chunk costs two additions, no lock, no write), written as one
// line when it ends.
#pragma once

#include <cstdint>

struct JobRecord {
  uint64_t number;  // of the relay's jobs, from 1
  uint64_t chunks;  // data chunks taken, the end marker not counted
  uint64_t bytes;
  uint64_t beganMicros;
};

// The next job begins: its number, counters at zero, its start time.
void BeginJobRecord(JobRecord* record);
inline void CountJobChunk(JobRecord* record, uint32_t length) {
  ++record->chunks;
  record->bytes += length;
}
// "job <n>: <chunks> chunks, <bytes> bytes, <ms> ms, <how>"
void TraceJobEnded(const JobRecord& record, const char* how);
// A job whose worker could not bind to Java, for the reason given: the
// failure trace, then the job's line, "not delivered: Java could not be
// bound (<reason>)".
void TraceJobNotDelivered(const JobRecord& record, const char* reason);
