// What the client does after each carriage return posted in any room:
// the --switch-after and --exit-after rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "options.h"

namespace standin {

struct AfterReturn {
  std::vector<std::string> bring_to_front;  // in command line order
  bool exit = false;
};

class ReturnSchedule {
 public:
  ReturnSchedule(std::vector<SwitchRule> switches, std::optional<int> exit_after)
      : switches_(std::move(switches)), exit_after_(exit_after) {}

  // Counts one posted return (the first is 1) and says what follows it.
  AfterReturn OnReturnPosted();

 private:
  std::vector<SwitchRule> switches_;
  std::optional<int> exit_after_;
  int returns_ = 0;
};

}  // namespace standin
