// Moving the window back onto the screen's work area.
#include <gtest/gtest.h>

#include "desktop/fit_in_work_area.h"

namespace drowsel {
namespace {

const PixelRect Screen = {0, 0, 1024, 738};  // a task bar along the bottom

TEST(FitInWorkAreaTest, AWindowThatFitsStaysWhereItIs) {
  EXPECT_EQ(FitInWorkArea({596, 11, 910, 157}, Screen), (PixelRect{596, 11, 910, 157}));
  EXPECT_EQ(FitInWorkArea({0, 0, 1024, 738}, Screen), Screen);
}

TEST(FitInWorkAreaTest, MovesJustEnoughToComeBackFromAnyEdge) {
  // The design placement at 200 %: 188 px past the right edge.
  EXPECT_EQ(FitInWorkArea({794, 14, 1212, 208}, Screen), (PixelRect{606, 14, 1024, 208}));
  EXPECT_EQ(FitInWorkArea({-30, 700, 179, 797}, Screen), (PixelRect{0, 641, 209, 738}));
  // A second monitor's work area, to the left of the first.
  EXPECT_EQ(FitInWorkArea({-100, 5, 109, 102}, {-1280, 0, 0, 1024}), (PixelRect{-209, 5, 0, 102}));
}

TEST(FitInWorkAreaTest, AWindowLargerThanTheAreaKeepsItsTopLeftCornerOnIt) {
  EXPECT_EQ(FitInWorkArea({500, 300, 1700, 1200}, Screen), (PixelRect{0, 0, 1200, 900}));
}

}  // namespace
}  // namespace drowsel
