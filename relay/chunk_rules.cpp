// The rules on one chunk of a print job: what its length field means, and
// which of its bytes are the job's header.
#include "relay/relay.h"

ChunkKind JudgeChunkLength(int32_t length, size_t viewSize) {
  if (length == kChunkEndMarker) return ChunkKind::kEndMarker;
  if (length < 0) return ChunkKind::kMalformed;
  // The producer is trusted with the layout but not with the arithmetic: a
  // length past the view would have the worker read unmapped memory.
  if (viewSize < kChunkDataOffset) return ChunkKind::kMalformed;
  if (static_cast<size_t>(length) > viewSize - kChunkDataOffset) return ChunkKind::kMalformed;
  return ChunkKind::kData;
}

uint32_t HeaderBytesOf(uint32_t chunkLength, bool headerPending) {
  // Only a first chunk that holds the whole header yields one; a shorter one
  // means the job has no header at all.
  return headerPending && chunkLength >= kHeaderLength ? kHeaderLength : 0;
}

size_t ReadableChunkBytes(size_t committedViewBytes, uint64_t sectionSize) {
  // A view covers whole pages: past the section's end the rest of its last
  // page reads as zeros that no producer wrote.
  if (sectionSize != 0 && sectionSize < committedViewBytes) return static_cast<size_t>(sectionSize);
  return committedViewBytes;
}
