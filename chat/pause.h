// The paced wait between the lines of an announcement.
#pragma once

#include "host/host_services.h"

namespace drowsel {

// Every announcement waits this long between two lines.
inline constexpr int PauseSeconds = 1;

// Waits until the clock, rounded at entry to the nearest whole second (ties to
// even), has moved on by `seconds`, handling every window event meanwhile, so
// clicks and timer ticks run their handlers inside the wait. Sleeps between
// events instead of spinning, and ends on time across midnight and when the
// clock is set back.
//
// Returns true when the program goes on; false when it was asked to quit
// during the wait (as it is when the window is unloaded), in which case the
// caller must stop without touching the window.
bool Pause(EventPump& host, const int& seconds);

}  // namespace drowsel
