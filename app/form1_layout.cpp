#include "app/form1_layout.h"

#include <array>
#include <cstdlib>

namespace drowsel {
namespace {

constexpr Colour Fixed(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return {Colour::Source::Fixed, {r, g, b}};
}
constexpr Colour kBlack = Fixed(0, 0, 0);
constexpr Colour kRedText = Fixed(192, 0, 0);
constexpr Colour kWindowText = {Colour::Source::SystemWindowText, {}};
constexpr Colour kPlatform = {};

// The buttons form one column at the right edge, each 240 below the previous,
// so that neighbours overlap by 15. The bottom strip holds the counter on the
// left and the reason box on the right.
constexpr std::array kControls{
    ControlLayout{Control::Timer1, "Timer1", ControlKind::Timer, u"", {}, -1, kPlatform, kPlatform},
    ControlLayout{Control::Command5,
                  "Command5",
                  ControlKind::Button,
                  u"Exit",
                  {2640, 960, 495, 255},
                  5,
                  kPlatform,
                  kPlatform},
    ControlLayout{Control::Command4,
                  "Command4",
                  ControlKind::Button,
                  u"Site",
                  {2640, 720, 495, 255},
                  4,
                  kPlatform,
                  kPlatform},
    ControlLayout{Control::Command3,
                  "Command3",
                  ControlKind::Button,
                  u"Adv.",
                  {2640, 480, 495, 255},
                  3,
                  kPlatform,
                  kPlatform},
    ControlLayout{Control::Command2,
                  "Command2",
                  ControlKind::Button,
                  u"Stop",
                  {2640, 240, 495, 255},
                  2,
                  kPlatform,
                  kPlatform},
    ControlLayout{Control::Command1,
                  "Command1",
                  ControlKind::Button,
                  u"Start",
                  {2640, 0, 495, 255},
                  1,
                  kPlatform,
                  kPlatform},
    ControlLayout{Control::Text1,
                  "Text1",
                  ControlKind::TextBox,
                  u"Reason idle......",
                  {1440, 1200, 1695, 255},
                  0,
                  kBlack,
                  kRedText},
    ControlLayout{Control::Label2,
                  "Label2",
                  ControlKind::Label,
                  u"Mins",
                  {360, 1200, 375, 255},
                  7,
                  kBlack,
                  kRedText},
    ControlLayout{Control::Label1,
                  "Label1",
                  ControlKind::Label,
                  u"  0",
                  {0, 1200, 375, 255},
                  6,
                  kWindowText,
                  kRedText},
};

// Line1 and Line2 frame the counter, Line3 and Line4 the reason box.
constexpr std::array kLines{
    LineLayout{"Line4", 1440, 1200, 2640, 1200},
    LineLayout{"Line3", 1440, 1440, 1440, 1200},
    LineLayout{"Line2", 720, 1200, 720, 1440},
    LineLayout{"Line1", 0, 1200, 720, 1200},
};

constexpr FormLayout kForm1{
    u"Form1", 3135, 1455, 5955, 105, 3000, 1500, 60000, {128, 0, 0}, kControls, kLines,
};

}  // namespace

const FormLayout& Form1Layout() {
  return kForm1;
}

const ControlLayout& LayoutOf(Control control) {
  for (const ControlLayout& layout : kControls) {
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
