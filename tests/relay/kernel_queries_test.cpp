// What the relay asks ntdll of its handles, on real objects: the handle
// counts that tell whether the producer is still there, and the section
// sizes that bound a chunk's length.  Where no answer comes, the relay must
// fall back to its old behaviour, never end or refuse on a guess.
#include <windows.h>

#include <gtest/gtest.h>

#include "relay/relay.h"

TEST(KernelQueries, AnotherHandleKeepsTheRelayAndSectionSizesBoundChunks) {
  HANDLE jobEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE control = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65540, nullptr);
  ASSERT_TRUE(jobEvent != nullptr && control != nullptr) << "object not created: " << GetLastError();
  EXPECT_FALSE(ProducerMayStillSignal(jobEvent, control)) << "the relay's own handles kept it";
  HANDLE process = GetCurrentProcess(), producerEvent = nullptr, mapOnly = nullptr;
  ASSERT_TRUE(DuplicateHandle(process, jobEvent, process, &producerEvent, 0, FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(ProducerMayStillSignal(jobEvent, control));
  CloseHandle(producerEvent);
  ASSERT_TRUE(DuplicateHandle(process, control, process, &mapOnly, FILE_MAP_READ | FILE_MAP_WRITE, FALSE, 0));
  EXPECT_TRUE(ProducerMayStillSignal(jobEvent, control));
  EXPECT_TRUE(ProducerMayStillSignal(reinterpret_cast<HANDLE>(0x7FFFFFC), control)) << "no count, yet it ended";

  uint64_t size = 0;
  ASSERT_TRUE(QuerySectionSize(control, &size)) << "NtQuerySection is not available";
  // Windows keeps 65 540; Wine rounds up to whole pages.
  EXPECT_TRUE(size >= 65540 && size <= 69632) << size;
  // No SECTION_QUERY access, or no section at all: no size.
  EXPECT_FALSE(QuerySectionSize(mapOnly, &size));
  EXPECT_FALSE(QuerySectionSize(jobEvent, &size));
  CloseHandle(mapOnly);
  EXPECT_FALSE(ProducerMayStillSignal(jobEvent, control)) << "a closed handle still counts";
  CloseHandle(jobEvent);
  CloseHandle(control);
}
