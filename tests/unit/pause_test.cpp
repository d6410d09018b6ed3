// The paced wait, on the fake host's virtual clock.
#include <gtest/gtest.h>

#include "chat/pause.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::FakeHost;

// A pause entered at `entry` ends when the clock reaches `end`: never before,
// and within the millisecond that the waits are rounded up to.
void ExpectEnds(double entry, int seconds, double end) {
  FakeHost host;
  host.SetClock(entry);
  EXPECT_TRUE(Pause(host, seconds));
  EXPECT_GE(host.Timer(), end - 1e-9) << "entered at " << entry;
  EXPECT_LT(host.Timer(), end + 0.002) << "entered at " << entry;
}

TEST(PauseTest, EndsWhenTheClockReachesTheRoundedStartPlusTheInterval) {
  ExpectEnds(100.4, 1, 101.0);  // rounded down: 0.6 s
  ExpectEnds(100.6, 1, 102.0);  // rounded up: 1.4 s
  ExpectEnds(100.5, 1, 101.0);  // ties go to the even second
  ExpectEnds(101.5, 1, 103.0);
  ExpectEnds(100.4, 0, 100.4);  // interval 0 rounded down: at once
  ExpectEnds(100.6, 0, 101.0);  // rounded up: waits for the start
}

TEST(PauseTest, EndsOnTimeAcrossMidnight) {
  ExpectEnds(86399.7, 1, 1.0);  // start rounds to 86400, the next midnight
  ExpectEnds(86399.2, 1, 0.0);
  ExpectEnds(86399.4, 2, 1.0);
}

TEST(PauseTest, AClockSetBackDoesNotStretchTheWait) {
  FakeHost host;
  host.SetClock(9000.2);
  host.At(0.4, [&] { host.AdjustClock(-3600); });  // summer time ends
  EXPECT_TRUE(Pause(host, 1));
  EXPECT_NEAR(host.Now(), 0.8, 0.002);
  // Set back past midnight.
  host.SetClock(0.2 - host.Now());  // 00:00:00.2 from here on
  host.At(host.Now() + 0.4, [&] { host.AdjustClock(-3600); });
  const double before = host.Now();
  EXPECT_TRUE(Pause(host, 1));
  EXPECT_NEAR(host.Now() - before, 0.8, 0.002);
  // Set forward, the wait simply ends early: at the jump.
  const double forward = host.Now();
  host.At(forward + 0.4, [&] { host.AdjustClock(3600); });
  EXPECT_TRUE(Pause(host, 1));
  EXPECT_NEAR(host.Now() - forward, 0.4, 0.002);
}

TEST(PauseTest, SleepsBetweenEventsInsteadOfSpinning) {
  FakeHost host;
  host.SetClock(100.0);
  for (int i = 1; i <= 5; ++i) host.At(i * 0.15, [] {});
  EXPECT_TRUE(Pause(host, 1));
  // One wake per event and one for the deadline, not thousands of clock reads.
  EXPECT_LE(host.waits(), 7);
  EXPECT_LE(host.pumps(), 7);
  EXPECT_NEAR(host.Now(), 1.0, 1e-9);
}

TEST(PauseTest, RunsEventsThatArriveDuringTheWaitBeforeReturning) {
  FakeHost host;
  host.SetClock(100.0);
  double handledAt = -1;
  host.At(0.3, [&] { handledAt = host.Now(); });
  host.At(1.5, [&] { ADD_FAILURE() << "an event after the deadline ran inside the pause"; });
  EXPECT_TRUE(Pause(host, 1));
  EXPECT_NEAR(handledAt, 0.3, 1e-9);
}

TEST(PauseTest, TimeTakenByNestedHandlersCountsTowardsTheWait) {
  FakeHost host;
  host.SetClock(100.0);
  host.At(0.2, [&] { EXPECT_TRUE(Pause(host, 1)); });  // a nested sequence until 101
  EXPECT_TRUE(Pause(host, 1));
  EXPECT_NEAR(host.Timer(), 101.0, 1e-9);
}

TEST(PauseTest, ReportsThatTheProgramIsEnding) {
  {
    FakeHost host;
    host.At(0.5, [&] { host.UnloadForm(); });
    EXPECT_FALSE(Pause(host, 1));
    EXPECT_LT(host.Now(), 1.0);  // it does not sit out the rest of the wait
  }
  {
    FakeHost host;
    host.QuitAt(0.5);
    EXPECT_FALSE(Pause(host, 1));
  }
}

}  // namespace
}  // namespace drowsel
