// The rules on one chunk, apart from any mapping or thread.
#include <gtest/gtest.h>

#include "relay/relay.h"

TEST(ChunkLength, MinusOneIsTheEndMarkerWhateverTheView) {
  EXPECT_EQ(JudgeChunkLength(-1, 4096), ChunkKind::kEndMarker);
  EXPECT_EQ(JudgeChunkLength(-1, 0), ChunkKind::kEndMarker);
}

TEST(ChunkLength, LengthsBelowMinusOneAreMalformed) {
  EXPECT_EQ(JudgeChunkLength(-2, 1 << 20), ChunkKind::kMalformed);
  EXPECT_EQ(JudgeChunkLength(INT32_MIN, 1 << 20), ChunkKind::kMalformed);
}

TEST(ChunkLength, DataMustEndInsideTheView) {
  EXPECT_EQ(JudgeChunkLength(4092, 4096), ChunkKind::kData);
  EXPECT_EQ(JudgeChunkLength(4093, 4096), ChunkKind::kMalformed);
  EXPECT_EQ(JudgeChunkLength(INT32_MAX, 4096), ChunkKind::kMalformed);
}

TEST(ChunkLength, ZeroLengthIsDataEvenInTheSmallestView) {
  EXPECT_EQ(JudgeChunkLength(0, 4), ChunkKind::kData);
  EXPECT_EQ(JudgeChunkLength(0, 3), ChunkKind::kMalformed);
}

TEST(HeaderRule, FirstChunkOfAtLeast2048BytesGivesTheHeader) {
  EXPECT_EQ(HeaderBytesOf(2048, true), 2048u);
  EXPECT_EQ(HeaderBytesOf(5000, true), 2048u);
  EXPECT_EQ(HeaderBytesOf(0xFFFFFFFFu, true), 2048u);
}

TEST(HeaderRule, ShorterFirstChunkOrALaterChunkGivesNone) {
  EXPECT_EQ(HeaderBytesOf(2047, true), 0u);
  EXPECT_EQ(HeaderBytesOf(5000, false), 0u);
}

TEST(ChunkLength, LengthsAreJudgedAgainstTheSectionNotTheViewsLastPage) {
  // A 65 540-byte mapping maps as 69 632 bytes: 65 536 bytes of data fit,
  // one more would reach into the zeros of the last page.
  size_t readable = ReadableChunkBytes(69632, 65540);
  EXPECT_EQ(readable, 65540u);
  EXPECT_EQ(JudgeChunkLength(65536, readable), ChunkKind::kData);
  EXPECT_EQ(JudgeChunkLength(65537, readable), ChunkKind::kMalformed);
  EXPECT_EQ(JudgeChunkLength(69628, readable), ChunkKind::kMalformed);
  // Unknown section size: the committed view is all there is to go by; a
  // view with no committed page has nothing to read, whatever the section.
  EXPECT_EQ(ReadableChunkBytes(69632, 0), 69632u);
  EXPECT_EQ(ReadableChunkBytes(0, 65540), 0u);
  EXPECT_EQ(ReadableChunkBytes(4096, 65540), 4096u);
}
