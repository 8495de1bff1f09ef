#include "tools/bench/measurements.h"

#include <algorithm>
#include <cstring>

#include "tests/support/thread_times.h"

namespace {

double Now() {
  static double frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency;
}

constexpr double kMiB = 1024.0 * 1024.0;
constexpr DWORD kSettleMs = 200;

}  // namespace

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

JobMeasurement MeasureJob(ProducerChannel* channel, const std::vector<unsigned char>& bytes, uint32_t chunkSize,
                          HANDLE consumerThread, DWORD timeoutMs) {
  JobMeasurement result;
  // Lets every consumer finish what follows its last job (the relay's worker
  // ends its Java job, detaches and exits) before this one is timed: that
  // work goes through the same wineserver and would be charged here.
  Sleep(kSettleMs);
  std::vector<double> chunkSeconds;
  chunkSeconds.reserve(bytes.size() / chunkSize + 1);
  double start = Now();
  if (BeginJob(channel) != Delivery::kDone) return result;
  // The first chunk also waits for the consumer to start its job (for the
  // relay: a worker thread and its bridge to Java); it is timed apart, and
  // the throughput is that of the chunks after it.
  size_t firstLength = std::min<size_t>(chunkSize, bytes.size());
  if (SendChunk(channel, bytes.data(), static_cast<uint32_t>(firstLength), timeoutMs) != Delivery::kDone) {
    return result;
  }
  double steady = Now();
  result.firstChunkMs = (steady - start) * 1e3;
  double cpuBefore = ThreadCpuMs(consumerThread);
  for (size_t at = firstLength; at < bytes.size();) {
    uint32_t length = static_cast<uint32_t>(std::min<size_t>(chunkSize, bytes.size() - at));
    double sent = Now();
    if (SendChunk(channel, bytes.data() + at, length, timeoutMs) != Delivery::kDone) return result;
    chunkSeconds.push_back(Now() - sent);
    at += length;
  }
  if (EndJob(channel, timeoutMs) != Delivery::kDone) return result;
  result.seconds = Now() - steady;
  result.consumerCpuMs = ThreadCpuMs(consumerThread) - cpuBefore;
  result.ok = true;
  result.mibPerSecond = static_cast<double>(bytes.size() - firstLength) / kMiB / result.seconds;
  result.medianChunkUs = Median(chunkSeconds) * 1e6;
  return result;
}

double MeasureJobsPerSecond(ProducerChannel* channel, int jobs, uint32_t chunkBytes, DWORD timeoutMs) {
  std::vector<unsigned char> chunk(chunkBytes, 0x25);
  Sleep(kSettleMs);
  double start = Now();
  for (int job = 0; job < jobs; ++job) {
    if (BeginJob(channel) != Delivery::kDone) return 0;
    if (chunkBytes > 0 && SendChunk(channel, chunk.data(), chunkBytes, timeoutMs) != Delivery::kDone) return 0;
    if (EndJob(channel, timeoutMs) != Delivery::kDone) return 0;
  }
  return jobs / (Now() - start);
}

double MeasureMemcpy(const std::vector<unsigned char>& bytes, uint32_t chunkSize, int repeats) {
  std::vector<unsigned char> target(chunkSize);
  double best = 0;
  for (int pass = 0; pass < repeats; ++pass) {
    double start = Now();
    for (size_t at = 0; at < bytes.size(); at += chunkSize) {
      size_t length = std::min<size_t>(chunkSize, bytes.size() - at);
      memcpy(target.data(), bytes.data() + at, length);
      // Keeps the copy from being optimised away.
      asm volatile("" : : "r"(target.data()) : "memory");
    }
    double seconds = Now() - start;
    best = std::max(best, static_cast<double>(bytes.size()) / kMiB / seconds);
  }
  return best;
}
