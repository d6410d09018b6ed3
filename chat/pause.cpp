#include "chat/pause.h"

#include <cmath>
#include <cstdint>

namespace drowsel {
namespace {

constexpr double SecondsPerDay = 86400.0;

// Seconds from `start` to `now` on a clock that goes back to 0 at midnight,
// taken as the nearer way round the day: a start rounded up makes small
// negative values, which are real, and a clock set back past midnight shows
// as a set-back rather than as most of a day gone by.
double SecondsSince(double start, double now) {
  const double elapsed = now - start;
  if (elapsed < -SecondsPerDay / 2) return elapsed + SecondsPerDay;
  if (elapsed > SecondsPerDay / 2) return elapsed - SecondsPerDay;
  return elapsed;
}

// Whole milliseconds, rounded up so that a wait never ends before the deadline.
std::uint32_t WaitMilliseconds(double seconds) {
  const double ms = std::ceil(seconds * 1000.0);
  return ms >= 4.0e9 ? 4000000000u : static_cast<std::uint32_t>(ms);
}

// A clock set back by more than this during a wait (the end of summer time,
// a manual change) counts as a jump rather than as time going backwards.
constexpr double ClockSetBack = 1.0;

// Seconds since the wait's start, from the host's wall clock.
class WaitClock {
 public:
  // nearbyint rounds ties to even under the default rounding mode.
  explicit WaitClock(EventPump& host) : host_(host), start_(std::nearbyint(host.Timer())) {
    last_ = SecondsSince(start_, host_.Timer());
  }

  double Elapsed() {
    double elapsed = SecondsSince(start_, host_.Timer());
    if (elapsed < last_ - ClockSetBack) {
      // Count on from where the wait had got to instead of waiting out the jump.
      start_ -= last_ - elapsed;
      elapsed = last_;
    }
    last_ = elapsed;
    return elapsed;
  }

 private:
  EventPump& host_;
  double start_;
  double last_;
};

}  // namespace

bool Pause(EventPump& host, const int& seconds) {
  WaitClock clock(host);
  for (;;) {
    if (clock.Elapsed() >= seconds) return !host.Quitting();
    if (!host.DoEvents()) return false;
    const double remaining = seconds - clock.Elapsed();
    if (remaining > 0) host.MsgWaitForMultipleObjectsEx(WaitMilliseconds(remaining));
  }
}

}  // namespace drowsel
