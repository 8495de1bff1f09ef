// The launcher never runs where nobody can see it.
#include <gtest/gtest.h>

#include "host/host.h"

TEST(ModeSelection, SessionZeroNeverRunsTheLauncher) {
  EXPECT_FALSE(InteractiveLaunchSeen(true, 0));
  EXPECT_TRUE(InteractiveLaunchSeen(true, 1));
  EXPECT_TRUE(InteractiveLaunchSeen(true, 2));
  EXPECT_TRUE(InteractiveLaunchSeen(false, 0)) << "a session that cannot be told is taken as seen";
}
