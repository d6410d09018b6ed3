#include "schedule.h"
#include "event_log.h"

#include "check.h"

using standin::AfterReturn;
using standin::ReturnSchedule;

TEST(HexKeepsHighBytesAsOneByte) {
  CHECK_EQ(standin::HexBytes("a\x87 \xb7\xff"), "618720b7ff");
  CHECK_EQ(standin::HexBytes(""), "");
}

TEST(SwitchFiresOnlyOnItsReturn) {
  ReturnSchedule schedule({{2, "Mail"}}, std::nullopt);
  CHECK(schedule.OnReturnPosted().bring_to_front.empty());
  AfterReturn second = schedule.OnReturnPosted();
  CHECK(second.bring_to_front == std::vector<std::string>{"Mail"});
  CHECK(!second.exit);
  CHECK(schedule.OnReturnPosted().bring_to_front.empty());
}

TEST(RulesOnTheSameReturnAllFireInOrder) {
  ReturnSchedule schedule({{1, "Mail"}, {1, "Lobby"}}, 1);
  AfterReturn first = schedule.OnReturnPosted();
  CHECK((first.bring_to_front == std::vector<std::string>{"Mail", "Lobby"}));
  CHECK(first.exit);
}

TEST(ExitComesOnlyOnTheNthReturn) {
  ReturnSchedule schedule({}, 3);
  CHECK(!schedule.OnReturnPosted().exit);
  CHECK(!schedule.OnReturnPosted().exit);
  CHECK(schedule.OnReturnPosted().exit);
  CHECK(!ReturnSchedule({}, std::nullopt).OnReturnPosted().exit);
}
