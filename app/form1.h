// The window's event handlers: the greeting, the idle period, the
// advertisement, the farewell, moving the window and opening the web page.
#pragma once

#include "host/control.h"
#include "host/host_services.h"

namespace drowsel {

class Form1 final : public FormEvents {
 public:
  // Sequences nest inside each other's pauses. A person clicking ten times a
  // second without a break nests 250 deep after 25 s; a flood of queued
  // messages from another program would go on until the stack ran out. So an
  // event that would nest deeper than this is dropped. The deepest level is
  // kept for Exit: the user can always leave.
  static constexpr int NestingBound = 256;

  // The platform's services, and the window's controls, which the window provides.
  Form1(HostServices& host, FormControls& form) : host_(host), form_(form) {}

  void Load() override;
  void MouseDown() override;
  void Click(Control button) override;
  void Tick() override;

 private:
  void Start();
  void Stop();
  void Advertise();
  void Site();
  void Exit();
  // The window is still there and no quit request has been met.
  bool GoesOn();
  bool AMinuteHasPassed();

  HostServices& host_;
  FormControls& form_;
  int depth_ = 0;  // handlers running, one inside another's pause
  // Where the minute being counted began, by the tick count: when Start
  // enabled the timer, then one interval on for each minute counted.
  std::uint32_t minuteBegan_ = 0;
};

}  // namespace drowsel
