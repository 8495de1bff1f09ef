// What the relay asks ntdll of its handles, on real objects.  Where no
// answer comes, the relay keeps its old behaviour: it never ends, nor
// refuses a length, on a guess.
#include <windows.h>

#include <gtest/gtest.h>

#include "relay/relay.h"

TEST(KernelQueries, SectionSizeBoundsChunksAndNoAnswerEndsNothing) {
  HANDLE jobEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE control = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65540, nullptr);
  ASSERT_TRUE(jobEvent != nullptr && control != nullptr) << "object not created: " << GetLastError();
  EXPECT_FALSE(ProducerMayStillSignal({nullptr, jobEvent, control})) << "the relay's own handles kept it";
  EXPECT_TRUE(ProducerMayStillSignal({nullptr, reinterpret_cast<HANDLE>(0x7FFFFFC), control}))
      << "no count, yet it ended";
  // A living producer process keeps the relay whatever the counts say.
  EXPECT_TRUE(ProducerMayStillSignal({GetCurrentProcess(), jobEvent, control})) << "a living producer was gone";
  // Its state is read without taking the signal.
  bool signalled = true;
  ASSERT_TRUE(QueryEventSignalled(jobEvent, &signalled)) << "NtQueryEvent is not available";
  EXPECT_FALSE(signalled);
  SetEvent(jobEvent);
  EXPECT_TRUE(QueryEventSignalled(jobEvent, &signalled) && signalled);
  EXPECT_EQ(WaitForSingleObject(jobEvent, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "the look took the signal";
  uint64_t size = 0;
  ASSERT_TRUE(QuerySectionSize(control, &size)) << "NtQuerySection is not available";
  // Windows keeps 65 540; Wine rounds up to whole pages.
  EXPECT_TRUE(size >= 65540 && size <= 69632) << size;
  EXPECT_FALSE(QuerySectionSize(jobEvent, &size)) << "an event has a section size";
  CloseHandle(jobEvent);
  CloseHandle(control);
}
