// Keeping the window on the screen: its design placement is in twips from the
// screen's corner, which at a high DPI can put part of it past the edge.
#pragma once

namespace drowsel {

// Screen pixels; right and bottom are one past the last pixel.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// `window` moved the least distance that puts it inside `workArea`, with its
// size kept. A window larger than the area keeps its top-left corner in it,
// so that the part a user needs to start a drag stays on the screen.
PixelRect FitInWorkArea(const PixelRect& window, const PixelRect& workArea);

}  // namespace drowsel
