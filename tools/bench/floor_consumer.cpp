#include "tools/bench/floor_consumer.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "relay/relay.h"
#include "tools/fakejvm/java_work.h"

namespace {

HANDLE FieldHandle(const void* view, size_t offset) {
  uint64_t value = 0;
  memcpy(&value, static_cast<const unsigned char*>(view) + offset, sizeof value);
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

}  // namespace

bool RunFloorConsumer(uintptr_t controlMapping) {
  HANDLE control = reinterpret_cast<HANDLE>(controlMapping);
  void* view = MapViewOfFile(control, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
  if (view == nullptr) return false;
  HANDLE jobEvent = FieldHandle(view, offsetof(ControlBlock, jobEvent));
  UnmapViewOfFile(view);

  std::vector<unsigned char> copy;
  // The time the stand-in Java application spends on each chunk, spent here
  // in place, before the chunk is acknowledged, as a consumer without a
  // worker would.
  char work[16] = {};
  DWORD workLength = GetEnvironmentVariableA("FAKEJVM_WORK_US", work, sizeof work);
  int workUs = workLength > 0 && workLength < sizeof work ? atoi(work) : 0;
  ProducerWatch producer = {nullptr, jobEvent, control};
  bool jobBegun = false;
  while (jobBegun || WaitForSingleObject(jobEvent, INFINITE) == WAIT_OBJECT_0) {
    view = MapViewOfFile(control, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    if (view == nullptr) break;
    HANDLE chunkMapping = FieldHandle(view, offsetof(ControlBlock, chunkMapping));
    HANDLE chunkConsumed = FieldHandle(view, offsetof(ControlBlock, chunkConsumedEvent));
    HANDLE chunkReady = FieldHandle(view, offsetof(ControlBlock, chunkReadyEvent));
    UnmapViewOfFile(view);
    bool endMarker = false;
    // After kNextJobBegun the job's first chunk-ready is taken already.
    bool firstChunkSignalled = jobBegun;
    while (!endMarker && (firstChunkSignalled || WaitForSingleObject(chunkReady, INFINITE) == WAIT_OBJECT_0)) {
      firstChunkSignalled = false;
      const unsigned char* chunk =
          static_cast<const unsigned char*>(MapViewOfFile(chunkMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
      if (chunk != nullptr) {
        int32_t length = 0;
        memcpy(&length, chunk, sizeof length);
        if (length == kChunkEndMarker) {
          endMarker = true;
        } else if (length > 0) {
          if (copy.size() < static_cast<size_t>(length)) copy.resize(static_cast<size_t>(length));
          memcpy(copy.data(), chunk + kChunkDataOffset, static_cast<size_t>(length));
          SpendJavaMicroseconds(workUs);
        }
        UnmapViewOfFile(chunk);
      }
      SetEvent(chunkConsumed);
    }
    if (!endMarker) break;
    SetEvent(jobEvent);
    // As the relay does: the producer takes the end-of-job signal, or begins
    // its next job on top of it.
    jobBegun = AwaitEndSignalTaken(producer, nullptr) == EndSignal::kNextJobBegun;
  }
  return true;
}
