// The stand-in chat client's log hex and its counting of returns.
#include <gtest/gtest.h>

#include "event_log.h"
#include "schedule.h"

using standin::AfterReturn;
using standin::ReturnSchedule;

TEST(StandinSchedule, HexKeepsHighBytesAsOneByte) {
  EXPECT_EQ(standin::HexBytes("a\x87 \xb7\xff"), "618720b7ff");
  EXPECT_EQ(standin::HexBytes(""), "");
}

TEST(StandinSchedule, SwitchFiresOnlyOnItsReturn) {
  ReturnSchedule schedule({{2, "Mail"}}, std::nullopt);
  EXPECT_TRUE(schedule.OnReturnPosted().bring_to_front.empty());
  AfterReturn second = schedule.OnReturnPosted();
  EXPECT_TRUE(second.bring_to_front == std::vector<std::string>{"Mail"});
  EXPECT_TRUE(!second.exit);
  EXPECT_TRUE(schedule.OnReturnPosted().bring_to_front.empty());
}

TEST(StandinSchedule, RulesOnTheSameReturnAllFireInOrder) {
  ReturnSchedule schedule({{1, "Mail"}, {1, "Lobby"}}, 1);
  AfterReturn first = schedule.OnReturnPosted();
  EXPECT_TRUE((first.bring_to_front == std::vector<std::string>{"Mail", "Lobby"}));
  EXPECT_TRUE(first.exit);
}

TEST(StandinSchedule, ExitComesOnlyOnTheNthReturn) {
  ReturnSchedule schedule({}, 3);
  EXPECT_TRUE(!schedule.OnReturnPosted().exit);
  EXPECT_TRUE(!schedule.OnReturnPosted().exit);
  EXPECT_TRUE(schedule.OnReturnPosted().exit);
  EXPECT_TRUE(!ReturnSchedule({}, std::nullopt).OnReturnPosted().exit);
}
