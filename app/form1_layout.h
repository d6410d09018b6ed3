// The window as data: its size and place, its controls in creation order and
// the four framing lines. Positions and sizes are in twips (1/1440 inch).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "host/control.h"

namespace drowsel {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Color {
  enum class Source { Platform, Fixed, SystemWindowText };
  Source source = Source::Platform;  // Platform: whatever the control draws by default
  Rgb rgb{};
};

enum class ControlKind { Timer, Button, TextBox, Label };

struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct ControlLayout {
  Control id;
  std::string_view name;
  ControlKind kind;
  std::u16string_view caption{};
  TwipsRect rect{};
  int tabIndex = -1;  // -1: not a tab stop (the timer)
  Color background{};
  Color text{};
};

struct LineLayout {
  int x1, y1, x2, y2;
};

struct FormLayout {
  std::u16string_view caption;
  int clientWidth, clientHeight;  // twips
  int left, top;                  // design placement of the client area on the screen
  // What the background picture covers from the client area's corner, in twips
  // like the rest: its pixels are more than it needs at 100 %, so that it can
  // be scaled down smoothly at every DPI up to 200 %.
  int pictureWidth, pictureHeight;
  std::uint32_t timerIntervalMs;
  Rgb lineColor;
  std::span<const ControlLayout> controls;  // in creation order
  std::span<const LineLayout> lines;        // in creation order
};

const FormLayout& Form1Layout();
const ControlLayout& LayoutOf(Control control);

// Twips to pixels at the given dots per inch, to the nearest pixel.
int TwipsToPixels(int twips, int dpi);

}  // namespace drowsel
