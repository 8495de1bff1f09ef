// What the relay asks ntdll about its handles, checked on real objects: the
// handle counts that tell whether the producer is still there, and the
// section sizes that bound a chunk's length.
#include <windows.h>

#include <gtest/gtest.h>

#include "relay/relay.h"

namespace {

HANDLE Duplicate(HANDLE handle, DWORD access = 0, DWORD options = DUPLICATE_SAME_ACCESS) {
  HANDLE copy = nullptr;
  EXPECT_TRUE(DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, access, FALSE, options))
      << "DuplicateHandle failed: " << GetLastError();
  return copy;
}

}  // namespace

TEST(ProducerPresence, OnlyAnotherHandleToTheJobEventOrControlMappingKeepsTheRelay) {
  HANDLE jobEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE control = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 32, nullptr);
  ASSERT_NE(jobEvent, nullptr) << "CreateEventA failed: " << GetLastError();
  ASSERT_NE(control, nullptr) << "CreateFileMappingA failed: " << GetLastError();
  unsigned long count = 0;
  ASSERT_TRUE(QueryHandleCount(jobEvent, &count)) << "NtQueryObject is not available";
  EXPECT_EQ(count, 1u);
  EXPECT_FALSE(ProducerMayStillSignal(jobEvent, control)) << "the relay's own handles kept it";

  HANDLE producerEvent = Duplicate(jobEvent);
  EXPECT_TRUE(QueryHandleCount(jobEvent, &count));
  EXPECT_EQ(count, 2u);
  EXPECT_TRUE(ProducerMayStillSignal(jobEvent, control));
  CloseHandle(producerEvent);
  HANDLE producerControl = Duplicate(control);
  EXPECT_TRUE(ProducerMayStillSignal(jobEvent, control));
  CloseHandle(producerControl);
  EXPECT_FALSE(ProducerMayStillSignal(jobEvent, control)) << "a closed handle still counts";

  // A handle that is none gives no count: the relay stays rather than guess.
  EXPECT_FALSE(QueryHandleCount(reinterpret_cast<HANDLE>(0x7FFFFFC), &count));
  EXPECT_TRUE(ProducerMayStillSignal(reinterpret_cast<HANDLE>(0x7FFFFFC), control));
  CloseHandle(jobEvent);
  CloseHandle(control);
}

TEST(SectionSize, IsTheMappingsSizeWhereTheSystemTellsIt) {
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65540, nullptr);
  ASSERT_NE(mapping, nullptr) << "CreateFileMappingA failed: " << GetLastError();
  uint64_t size = 0;
  ASSERT_TRUE(QuerySectionSize(mapping, &size)) << "NtQuerySection is not available";
  // Windows keeps 65 540; Wine rounds up to whole pages.
  EXPECT_GE(size, 65540u);
  EXPECT_LE(size, 69632u);

  // No SECTION_QUERY access, or no section at all: no size, and the relay
  // falls back to the view.
  HANDLE mapOnly = Duplicate(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0);
  EXPECT_FALSE(QuerySectionSize(mapOnly, &size));
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  EXPECT_FALSE(QuerySectionSize(event, &size));
  CloseHandle(event);
  CloseHandle(mapOnly);
  CloseHandle(mapping);
}
