// Which DPI to take when the system says the window's monitor DPI changed.
#pragma once

#include <cstdint>
#include <optional>

namespace drowsel {

// `windowDpi` is what the platform reports for the window, or nothing where
// it has no per-window DPI to ask (Windows 8.1 and early Windows 10 send the
// message but lack GetDpiForWindow); then the message's own DPI is taken.
// `wParam` is the message's: the new DPI in its low word (X) and high word (Y).
// Nothing when the window keeps its DPI: no change, the message disagreeing
// with the platform or with itself, or a DPI no monitor has.
std::optional<int> DpiFromChange(std::optional<int> windowDpi, std::uintptr_t wParam, int current);

}  // namespace drowsel
