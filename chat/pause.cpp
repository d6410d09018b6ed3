#include "chat/pause.h"

#include <cmath>
#include <cstdint>

namespace drowsel {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// Seconds from `start` to `now` on a clock that goes back to 0 at midnight. A
// start rounded up makes small negative values, which are real; only a jump of
// more than half a day back is the clock wrapping.
double SecondsSince(double start, double now) {
  const double elapsed = now - start;
  return elapsed < -kSecondsPerDay / 2 ? elapsed + kSecondsPerDay : elapsed;
}

// Whole milliseconds, rounded up so that a wait never ends before the deadline.
std::uint32_t WaitMilliseconds(double seconds) {
  const double ms = std::ceil(seconds * 1000.0);
  return ms >= 4.0e9 ? 4000000000u : static_cast<std::uint32_t>(ms);
}

}  // namespace

bool Pause(HostServices& host, const int& seconds) {
  // nearbyint rounds ties to even under the default rounding mode.
  const double start = std::nearbyint(host.Timer());
  for (;;) {
    if (SecondsSince(start, host.Timer()) >= seconds) return host.FormExists();
    if (!host.DoEvents()) return false;
    const double remaining = seconds - SecondsSince(start, host.Timer());
    if (remaining > 0) host.MsgWaitForMultipleObjectsEx(WaitMilliseconds(remaining));
  }
}

}  // namespace drowsel
