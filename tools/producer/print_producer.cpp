#include "tools/producer/print_producer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "relay/relay.h"

namespace {

uint64_t HandleValue(HANDLE handle) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle)); }

HANDLE CreateMapping(size_t size, SECURITY_ATTRIBUTES* security, const char* name) {
  uint64_t size64 = size;
  return CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, static_cast<DWORD>(size64 >> 32),
                            static_cast<DWORD>(size64 & 0xFFFFFFFFu), name);
}

// The name of one of the channel's objects, or null when it has none.
const char* ObjectName(const ProducerChannel* channel, const char* object, std::string* storage) {
  if (channel->name[0] == '\0') return nullptr;
  *storage = std::string(channel->name) + "-" + object;
  return storage->c_str();
}

void CloseIfOpen(HANDLE* handle) {
  if (*handle != nullptr) CloseHandle(*handle);
  *handle = nullptr;
}

// Waits for the relay's answer on event; gives up when the relay has ended.
Delivery AwaitRelay(const ProducerChannel* channel, HANDLE event, DWORD timeoutMs) {
  HANDLE waits[2] = {event, channel->relay};
  DWORD count = channel->relay != nullptr ? 2 : 1;
  DWORD result = WaitForMultipleObjects(count, waits, FALSE, timeoutMs);
  if (result == WAIT_OBJECT_0) return Delivery::kDone;
  if (result == WAIT_OBJECT_0 + 1) return Delivery::kRelayGone;
  if (result == WAIT_TIMEOUT) return Delivery::kTimedOut;
  return Delivery::kFailed;
}

Delivery SignalAndAwait(ProducerChannel* channel, DWORD timeoutMs) {
  if (!SetEvent(channel->chunkReadyEvent)) return Delivery::kFailed;
  return AwaitRelay(channel, channel->chunkConsumedEvent, timeoutMs);
}

void WriteLength(ProducerChannel* channel, int32_t length) {
  // Written last, after the data: the block is complete before chunk-ready.
  *reinterpret_cast<volatile int32_t*>(channel->chunkBlock) = length;
}

}  // namespace

bool OpenProducerChannel(ProducerChannel* channel, size_t chunkCapacity, bool inheritable, const char* name) {
  *channel = ProducerChannel{};
  if (chunkCapacity > static_cast<size_t>(INT32_MAX)) return false;
  if (name != nullptr) snprintf(channel->name, sizeof channel->name, "%s", name);
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, inheritable ? TRUE : FALSE};
  std::string n1, n2, n3, n4, n5;
  channel->controlMapping = CreateMapping(sizeof(ControlBlock), &security, ObjectName(channel, "control", &n1));
  channel->chunkMapping = CreateMapping(chunkCapacity + kChunkDataOffset, &security, ObjectName(channel, "chunk", &n2));
  channel->jobEvent = CreateEventA(&security, FALSE, FALSE, ObjectName(channel, "job", &n3));
  channel->chunkConsumedEvent = CreateEventA(&security, FALSE, FALSE, ObjectName(channel, "consumed", &n4));
  channel->chunkReadyEvent = CreateEventA(&security, FALSE, FALSE, ObjectName(channel, "ready", &n5));
  channel->chunkCapacity = chunkCapacity;
  if (channel->controlMapping == nullptr || channel->chunkMapping == nullptr || channel->jobEvent == nullptr ||
      channel->chunkConsumedEvent == nullptr || channel->chunkReadyEvent == nullptr) {
    CloseProducerChannel(channel);
    return false;
  }
  channel->chunkBlock = static_cast<unsigned char*>(MapViewOfFile(channel->chunkMapping, FILE_MAP_WRITE, 0, 0, 0));
  void* controlView = MapViewOfFile(channel->controlMapping, FILE_MAP_WRITE, 0, 0, 0);
  if (channel->chunkBlock == nullptr || controlView == nullptr) {
    if (controlView != nullptr) UnmapViewOfFile(controlView);
    CloseProducerChannel(channel);
    return false;
  }
  ControlBlock block = {HandleValue(channel->jobEvent), HandleValue(channel->chunkMapping),
                        HandleValue(channel->chunkConsumedEvent), HandleValue(channel->chunkReadyEvent)};
  memcpy(controlView, &block, sizeof block);
  UnmapViewOfFile(controlView);
  return true;
}

void CloseProducerChannel(ProducerChannel* channel) {
  if (channel->chunkBlock != nullptr) UnmapViewOfFile(channel->chunkBlock);
  channel->chunkBlock = nullptr;
  CloseIfOpen(&channel->controlMapping);
  CloseIfOpen(&channel->chunkMapping);
  CloseIfOpen(&channel->jobEvent);
  CloseIfOpen(&channel->chunkConsumedEvent);
  CloseIfOpen(&channel->chunkReadyEvent);
}

void LetGoOfProducerChannel(ProducerChannel* channel) {
  HANDLE relay = channel->relay;
  channel->relay = nullptr;
  CloseProducerChannel(channel);
  channel->relay = relay;
}

bool ReopenProducerChannel(ProducerChannel* channel) {
  std::string n1, n2, n3, n4, n5;
  const DWORD kEventAccess = SYNCHRONIZE | EVENT_MODIFY_STATE;
  channel->controlMapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, ObjectName(channel, "control", &n1));
  channel->chunkMapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, ObjectName(channel, "chunk", &n2));
  channel->jobEvent = OpenEventA(kEventAccess, FALSE, ObjectName(channel, "job", &n3));
  channel->chunkConsumedEvent = OpenEventA(kEventAccess, FALSE, ObjectName(channel, "consumed", &n4));
  channel->chunkReadyEvent = OpenEventA(kEventAccess, FALSE, ObjectName(channel, "ready", &n5));
  if (channel->chunkMapping != nullptr) {
    channel->chunkBlock = static_cast<unsigned char*>(MapViewOfFile(channel->chunkMapping, FILE_MAP_WRITE, 0, 0, 0));
  }
  if (channel->controlMapping == nullptr || channel->chunkBlock == nullptr || channel->jobEvent == nullptr ||
      channel->chunkConsumedEvent == nullptr || channel->chunkReadyEvent == nullptr) {
    LetGoOfProducerChannel(channel);
    return false;
  }
  return true;
}

const char* DeliveryText(Delivery delivery) {
  switch (delivery) {
    case Delivery::kDone: return "done";
    case Delivery::kTimedOut: return "timed out waiting for the relay";
    case Delivery::kRelayGone: return "the relay ended";
    case Delivery::kFailed: return "a wait or signal failed";
  }
  return "?";
}

Delivery BeginJob(ProducerChannel* channel) {
  return SetEvent(channel->jobEvent) ? Delivery::kDone : Delivery::kFailed;
}

Delivery SendChunk(ProducerChannel* channel, const void* data, uint32_t length, DWORD timeoutMs) {
  if (length > channel->chunkCapacity) return Delivery::kFailed;
  if (length > 0) memcpy(channel->chunkBlock + kChunkDataOffset, data, length);
  WriteLength(channel, static_cast<int32_t>(length));
  return SignalAndAwait(channel, timeoutMs);
}

Delivery SendLengthOnly(ProducerChannel* channel, int32_t length, DWORD timeoutMs) {
  WriteLength(channel, length);
  return SignalAndAwait(channel, timeoutMs);
}

Delivery EndJob(ProducerChannel* channel, DWORD timeoutMs) {
  Delivery delivery = SendLengthOnly(channel, kChunkEndMarker, timeoutMs);
  if (delivery != Delivery::kDone || channel->endSignalLateMs == kNeverTakesEndSignal) return delivery;
  // A spooler thread preempted on a loaded machine comes back late.
  if (channel->endSignalLateMs > 0) Sleep(static_cast<DWORD>(channel->endSignalLateMs));
  return AwaitRelay(channel, channel->jobEvent, timeoutMs);
}

Delivery FeedJob(ProducerChannel* channel, const unsigned char* bytes, size_t size, const JobPlan& plan,
                 DWORD timeoutMs, JobTally* tally) {
  if (plan.chunkSize == 0 || plan.chunkSize > channel->chunkCapacity) return Delivery::kFailed;
  Delivery delivery = BeginJob(channel);
  for (int i = 0; delivery == Delivery::kDone && i < plan.zeroChunksFirst; ++i) {
    delivery = SendChunk(channel, nullptr, 0, timeoutMs);
    if (delivery == Delivery::kDone) ++tally->chunks;
  }
  bool badLengthSent = !plan.sendBadLength;
  for (size_t at = 0; delivery == Delivery::kDone && at < size;) {
    uint32_t length = static_cast<uint32_t>(std::min<size_t>(plan.chunkSize, size - at));
    delivery = SendChunk(channel, bytes + at, length, timeoutMs);
    if (delivery != Delivery::kDone) break;
    ++tally->chunks;
    tally->bytes += length;
    at += length;
    if (plan.onProgress != nullptr) plan.onProgress(plan.progressContext, at);
    if (!badLengthSent) {
      delivery = SendLengthOnly(channel, plan.badLength, timeoutMs);
      badLengthSent = true;
    }
  }
  if (delivery == Delivery::kDone) delivery = EndJob(channel, timeoutMs);
  return delivery;
}
