#include "app/form1_layout.h"

#include <array>
#include <cstdlib>

namespace drowsel {
namespace {

constexpr Color Fixed(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return {Color::Source::Fixed, {r, g, b}};
}
constexpr Color Black = Fixed(0, 0, 0);
constexpr Color RedText = Fixed(192, 0, 0);
constexpr Color WindowTextColor = {Color::Source::SystemWindowText, {}};
constexpr Color PlatformColor = {};

// The buttons form one column at the right edge, each 240 below the previous,
// so that neighbours overlap by 15. The bottom strip holds the counter on the
// left and the reason box on the right.
constexpr std::array ControlTable{
    ControlLayout{
        Control::Timer1, "Timer1", ControlKind::Timer, u"", {}, -1, PlatformColor, PlatformColor},
    ControlLayout{Control::Command5,
                  "Command5",
                  ControlKind::Button,
                  u"Exit",
                  {2640, 960, 495, 255},
                  5,
                  PlatformColor,
                  PlatformColor},
    ControlLayout{Control::Command4,
                  "Command4",
                  ControlKind::Button,
                  u"Site",
                  {2640, 720, 495, 255},
                  4,
                  PlatformColor,
                  PlatformColor},
    ControlLayout{Control::Command3,
                  "Command3",
                  ControlKind::Button,
                  u"Adv.",
                  {2640, 480, 495, 255},
                  3,
                  PlatformColor,
                  PlatformColor},
    ControlLayout{Control::Command2,
                  "Command2",
                  ControlKind::Button,
                  u"Stop",
                  {2640, 240, 495, 255},
                  2,
                  PlatformColor,
                  PlatformColor},
    ControlLayout{Control::Command1,
                  "Command1",
                  ControlKind::Button,
                  u"Start",
                  {2640, 0, 495, 255},
                  1,
                  PlatformColor,
                  PlatformColor},
    ControlLayout{Control::Text1,
                  "Text1",
                  ControlKind::TextBox,
                  u"Reason idle......",
                  {1440, 1200, 1695, 255},
                  0,
                  Black,
                  RedText},
    ControlLayout{Control::Label2,
                  "Label2",
                  ControlKind::Label,
                  u"Mins",
                  {360, 1200, 375, 255},
                  7,
                  Black,
                  RedText},
    ControlLayout{Control::Label1,
                  "Label1",
                  ControlKind::Label,
                  u"  0",
                  {0, 1200, 375, 255},
                  6,
                  WindowTextColor,
                  RedText},
};

// Line1 and Line2 frame the counter, Line3 and Line4 the reason box.
constexpr std::array LineTable{
    LineLayout{"Line4", 1440, 1200, 2640, 1200},
    LineLayout{"Line3", 1440, 1440, 1440, 1200},
    LineLayout{"Line2", 720, 1200, 720, 1440},
    LineLayout{"Line1", 0, 1200, 720, 1200},
};

constexpr FormLayout Form1Table{
    u"Form1", 3135, 1455, 5955, 105, 3000, 1500, 60000, {128, 0, 0}, ControlTable, LineTable,
};

}  // namespace

const FormLayout& Form1Layout() {
  return Form1Table;
}

const ControlLayout& LayoutOf(Control control) {
  for (const ControlLayout& layout : ControlTable) {
    if (layout.id == control) return layout;
  }
  std::abort();  // every Control has a row above
}

int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = scaled >= 0 ? 720 : -720;
  return static_cast<int>((scaled + half) / 1440);
}

}  // namespace drowsel
