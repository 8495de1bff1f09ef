// Jobs a misbehaving port monitor might send: the relay must end them
// without losing the next job.
#include <cstring>

#include "relay/relay.h"
#include "tools/producer/print_producer.h"

namespace {

const char* const kNames[] = {"zero", "all-ones", "unused", "event", "read-only", "uncommitted"};

// The object the fault needs, in this process; null for the plain values.
HANDLE MakeBrokenObject(BrokenMapping kind) {
  switch (kind) {
    case BrokenMapping::kEvent:
      return CreateEventA(nullptr, TRUE, FALSE, nullptr);
    case BrokenMapping::kReadOnly:
      return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 65536, nullptr);
    case BrokenMapping::kUncommitted:
      return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_RESERVE, 0, 65536, nullptr);
    default:
      return nullptr;
  }
}

uint64_t PlainValue(BrokenMapping kind) {
  switch (kind) {
    case BrokenMapping::kAllOnes: return ~0ull;
    case BrokenMapping::kUnused: return 0x7FFFFFC;  // handle values are multiples of 4 from small up
    default: return 0;
  }
}

// The relay's process when it is another one than this, else null.
HANDLE OtherRelayProcess(const ProducerChannel* channel) {
  if (channel->relay == nullptr) return nullptr;
  DWORD id = GetProcessId(channel->relay);  // 0 for a thread's handle
  return id != 0 && id != GetCurrentProcessId() ? channel->relay : nullptr;
}

bool WriteChunkMappingField(ProducerChannel* channel, uint64_t value) {
  void* view = MapViewOfFile(channel->controlMapping, FILE_MAP_WRITE, 0, 0, 0);
  if (view == nullptr) return false;
  memcpy(static_cast<unsigned char*>(view) + offsetof(ControlBlock, chunkMapping), &value, sizeof value);
  UnmapViewOfFile(view);
  return true;
}

uint64_t ValueOf(HANDLE handle) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle)); }

}  // namespace

bool ParseBrokenMapping(const char* name, BrokenMapping* kind) {
  for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
    if (strcmp(name, kNames[i]) == 0) {
      *kind = static_cast<BrokenMapping>(i);
      return true;
    }
  }
  return false;
}

const char* BrokenMappingName(BrokenMapping kind) { return kNames[static_cast<size_t>(kind)]; }

Delivery FeedBrokenJob(ProducerChannel* channel, BrokenMapping kind, uint32_t length, DWORD timeoutMs) {
  if (length > channel->chunkCapacity) return Delivery::kFailed;
  HANDLE object = MakeBrokenObject(kind);
  uint64_t value = PlainValue(kind);
  HANDLE relayProcess = OtherRelayProcess(channel);
  HANDLE inRelay = nullptr;
  if (object != nullptr) {
    if (relayProcess == nullptr) {
      inRelay = object;
    } else if (!DuplicateHandle(GetCurrentProcess(), object, relayProcess, &inRelay, 0, FALSE,
                                DUPLICATE_SAME_ACCESS)) {
      CloseHandle(object);
      return Delivery::kFailed;
    }
    value = ValueOf(inRelay);
  } else if (kind == BrokenMapping::kEvent || kind == BrokenMapping::kReadOnly ||
             kind == BrokenMapping::kUncommitted) {
    return Delivery::kFailed;
  }

  Delivery delivery = WriteChunkMappingField(channel, value) ? BeginJob(channel) : Delivery::kFailed;
  // The chunk's bytes are the producer's own; only the relay's way to them
  // is broken.
  if (delivery == Delivery::kDone) delivery = SendLengthOnly(channel, static_cast<int32_t>(length), timeoutMs);
  if (!WriteChunkMappingField(channel, ValueOf(channel->chunkMapping)) && delivery == Delivery::kDone) {
    delivery = Delivery::kFailed;
  }

  if (relayProcess != nullptr && inRelay != nullptr) {
    DuplicateHandle(relayProcess, inRelay, nullptr, nullptr, 0, FALSE, DUPLICATE_CLOSE_SOURCE);
  }
  if (object != nullptr) CloseHandle(object);
  return delivery;
}
