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
