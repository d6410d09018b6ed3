#include "app/form1_layout.h"

#include <array>
#include <cstdlib>

namespace drowsel {
namespace {

constexpr Color Black = {.source = Color::Source::Fixed, .rgb = {.r = 0, .g = 0, .b = 0}};
constexpr Color RedText = {.source = Color::Source::Fixed, .rgb = {.r = 192, .g = 0, .b = 0}};
constexpr Color WindowTextColor = {.source = Color::Source::SystemWindowText};

// The buttons form one column at the right edge, each 240 below the previous,
// so that neighbours overlap by 15. The bottom strip holds the counter on the
// left and the reason box on the right.
constexpr std::array ControlTable{
    ControlLayout{.id = Control::Timer1, .name = "Timer1", .kind = ControlKind::Timer},
    ControlLayout{.id = Control::Command5,
                  .name = "Command5",
                  .kind = ControlKind::Button,
                  .caption = u"Exit",
                  .rect = {.left = 2640, .top = 960, .width = 495, .height = 255},
                  .tabIndex = 5},
    ControlLayout{.id = Control::Command4,
                  .name = "Command4",
                  .kind = ControlKind::Button,
                  .caption = u"Site",
                  .rect = {.left = 2640, .top = 720, .width = 495, .height = 255},
                  .tabIndex = 4},
    ControlLayout{.id = Control::Command3,
                  .name = "Command3",
                  .kind = ControlKind::Button,
                  .caption = u"Adv.",
                  .rect = {.left = 2640, .top = 480, .width = 495, .height = 255},
                  .tabIndex = 3},
    ControlLayout{.id = Control::Command2,
                  .name = "Command2",
                  .kind = ControlKind::Button,
                  .caption = u"Stop",
                  .rect = {.left = 2640, .top = 240, .width = 495, .height = 255},
                  .tabIndex = 2},
    ControlLayout{.id = Control::Command1,
                  .name = "Command1",
                  .kind = ControlKind::Button,
                  .caption = u"Start",
                  .rect = {.left = 2640, .top = 0, .width = 495, .height = 255},
                  .tabIndex = 1},
    ControlLayout{.id = Control::Text1,
                  .name = "Text1",
                  .kind = ControlKind::TextBox,
                  .caption = u"Reason idle......",
                  .rect = {.left = 1440, .top = 1200, .width = 1695, .height = 255},
                  .tabIndex = 0,
                  .background = Black,
                  .text = RedText},
    ControlLayout{.id = Control::Label2,
                  .name = "Label2",
                  .kind = ControlKind::Label,
                  .caption = u"Mins",
                  .rect = {.left = 360, .top = 1200, .width = 375, .height = 255},
                  .tabIndex = 7,
                  .background = Black,
                  .text = RedText},
    ControlLayout{.id = Control::Label1,
                  .name = "Label1",
                  .kind = ControlKind::Label,
                  .caption = u"  0",
                  .rect = {.left = 0, .top = 1200, .width = 375, .height = 255},
                  .tabIndex = 6,
                  .background = WindowTextColor,
                  .text = RedText},
};

// Line1 and Line2 frame the counter, Line3 and Line4 the reason box.
constexpr std::array LineTable{
    LineLayout{.x1 = 1440, .y1 = 1200, .x2 = 2640, .y2 = 1200},  // Line4
    LineLayout{.x1 = 1440, .y1 = 1440, .x2 = 1440, .y2 = 1200},  // Line3
    LineLayout{.x1 = 720, .y1 = 1200, .x2 = 720, .y2 = 1440},    // Line2
    LineLayout{.x1 = 0, .y1 = 1200, .x2 = 720, .y2 = 1200},      // Line1
};

constexpr FormLayout Form1Table{
    .caption = u"Form1",
    .clientWidth = 3135,
    .clientHeight = 1455,
    .left = 5955,
    .top = 105,
    .pictureWidth = 3000,
    .pictureHeight = 1500,
    .timerIntervalMs = 60000,
    .lineColor = {.r = 128, .g = 0, .b = 0},
    .controls = ControlTable,
    .lines = LineTable,
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
