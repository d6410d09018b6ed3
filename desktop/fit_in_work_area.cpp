#include "desktop/fit_in_work_area.h"

#include <algorithm>

namespace drowsel {
namespace {

// Where a span of `size` starting at `start` begins once moved into [low, high).
int FitSpan(int start, int size, int low, int high) {
  return std::max(low, std::min(start, high - size));
}

}  // namespace

PixelRect FitInWorkArea(const PixelRect& window, const PixelRect& workArea) {
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int left = FitSpan(window.left, width, workArea.left, workArea.right);
  const int top = FitSpan(window.top, height, workArea.top, workArea.bottom);
  return {left, top, left + width, top + height};
}

}  // namespace drowsel
