// The window's layout table turned into pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/form1_layout.h"

namespace drowsel {
namespace {

TEST(LayoutTest, TwipsBecomePixelsThroughTheDpi) {
  const FormLayout& form = Form1Layout();
  EXPECT_EQ(TwipsToPixels(form.clientWidth, 96), 209);
  EXPECT_EQ(TwipsToPixels(form.clientHeight, 96), 97);
  EXPECT_EQ(TwipsToPixels(form.left, 96), 397);
  EXPECT_EQ(TwipsToPixels(form.top, 96), 7);
  EXPECT_EQ(TwipsToPixels(form.clientWidth, 144), 314);  // 150 %: 313.5 rounds up
  EXPECT_EQ(TwipsToPixels(255, 120), 21);                // 125 %: 21.25
}

TEST(LayoutTest, TabOrderStartsAtTheReasonBoxAndHasNoGaps) {
  std::set<int> seen;
  for (const ControlLayout& control : Form1Layout().controls) {
    if (control.kind == ControlKind::Timer) continue;
    EXPECT_TRUE(seen.insert(control.tabIndex).second) << control.name;
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(LayoutOf(Control::Text1).tabIndex, 0);
}

// Start, Stop, Adv., Site and Exit down the right edge, each 240 below the one
// above, so that neighbours overlap by 15.
TEST(LayoutTest, TheButtonsStackDownTheRightEdge) {
  const Control buttons[] = {Control::Command1, Control::Command2, Control::Command3,
                             Control::Command4, Control::Command5};
  for (int i = 0; i < 5; ++i) {
    const TwipsRect& rect = LayoutOf(buttons[i]).rect;
    EXPECT_EQ(rect.top, 240 * i) << LayoutOf(buttons[i]).name;
    EXPECT_EQ(rect.left + rect.width, Form1Layout().clientWidth) << LayoutOf(buttons[i]).name;
    EXPECT_EQ(rect.height, 255) << LayoutOf(buttons[i]).name;
  }
}

TEST(LayoutTest, EveryControlLiesInsideTheClientArea) {
  const FormLayout& form = Form1Layout();
  for (const ControlLayout& c : form.controls) {
    EXPECT_LE(c.rect.left + c.rect.width, form.clientWidth) << c.name;
    EXPECT_LE(c.rect.top + c.rect.height, form.clientHeight) << c.name;
  }
}

}  // namespace
}  // namespace drowsel
