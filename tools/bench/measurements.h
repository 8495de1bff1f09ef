// What the relay benchmark measures: one job through a consumer, and a bare
// memcpy of the same bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "tools/producer/print_producer.h"

struct JobMeasurement {
  bool ok = false;
  double firstChunkMs = 0;    // job event signalled .. first chunk acknowledged
  double seconds = 0;         // first chunk acknowledged .. end of job acknowledged
  double mibPerSecond = 0;    // of the bytes after the first chunk
  double medianChunkUs = 0;   // one chunk: fill, chunk-ready, chunk-consumed
  double consumerCpuMs = 0;   // CPU time of the consumer's watched thread in `seconds`
};

// Feeds bytes as one job in chunks of chunkSize.  consumerThread (may be
// null) is the thread whose CPU time the job costs is taken.
JobMeasurement MeasureJob(ProducerChannel* channel, const std::vector<unsigned char>& bytes, uint32_t chunkSize,
                          HANDLE consumerThread, DWORD timeoutMs);

// Feeds `jobs` jobs back to back, each of one chunk of chunkBytes (none when
// 0) and the end marker, taking each end-of-job signal at once as a prompt
// producer does; jobs per second, or 0 when a job did not complete.
double MeasureJobsPerSecond(ProducerChannel* channel, int jobs, uint32_t chunkBytes, DWORD timeoutMs);

// Copies bytes in pieces of chunkSize into a buffer of that size, `repeats`
// times over; MiB/s of the fastest pass.
double MeasureMemcpy(const std::vector<unsigned char>& bytes, uint32_t chunkSize, int repeats);

double Median(std::vector<double> values);
