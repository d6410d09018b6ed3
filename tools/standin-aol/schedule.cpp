#include "schedule.h"

namespace standin {

AfterReturn ReturnSchedule::OnReturnPosted() {
  ++returns_;
  AfterReturn after;
  for (const SwitchRule& rule : switches_) {
    if (rule.after_returns == returns_) after.bring_to_front.push_back(rule.document);
  }
  after.exit = exit_after_ == returns_;
  return after;
}

}  // namespace standin
