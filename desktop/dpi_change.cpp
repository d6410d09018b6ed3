#include "desktop/dpi_change.h"

namespace drowsel {
namespace {

// From half of 96 DPI to ten times it, beyond the 500 % that Windows offers.
constexpr int MinDpi = 48;
constexpr int MaxDpi = 960;

}  // namespace

std::optional<int> DpiFromChange(std::optional<int> windowDpi, std::uintptr_t wParam, int current) {
  const auto x = static_cast<int>(wParam & 0xFFFF);
  const auto y = static_cast<int>((wParam >> 16) & 0xFFFF);
  const int dpi = windowDpi.value_or(x);
  if (x != dpi || y != dpi || dpi == current || dpi < MinDpi || dpi > MaxDpi) return std::nullopt;
  return dpi;
}

}  // namespace drowsel
