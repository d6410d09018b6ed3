// The DPI taken from a change of the window's monitor DPI.
#include <gtest/gtest.h>

#include <optional>

#include "desktop/dpi_change.h"

namespace drowsel {
namespace {

constexpr std::uintptr_t Both(int dpi) {
  return static_cast<std::uintptr_t>(dpi) << 16 | static_cast<std::uintptr_t>(dpi);
}

// Windows 10 1607 and later: the platform says what the window's DPI is.
TEST(DpiChangeTest, WithGetDpiForWindowItsAnswerMustAgreeWithTheMessage) {
  EXPECT_EQ(DpiFromChange(144, Both(144), 96), 144);
  EXPECT_EQ(DpiFromChange(96, Both(144), 96), std::nullopt);
  EXPECT_EQ(DpiFromChange(144, Both(144), 144), std::nullopt);
}

// Windows 8.1 and early Windows 10 have no GetDpiForWindow: the message's DPI.
TEST(DpiChangeTest, WithoutGetDpiForWindowTheMessagesOwnDpiIsTaken) {
  EXPECT_EQ(DpiFromChange(std::nullopt, Both(144), 96), 144);
  EXPECT_EQ(DpiFromChange(std::nullopt, Both(96), 144), 96);
  EXPECT_EQ(DpiFromChange(std::nullopt, Both(96), 96), std::nullopt);
  EXPECT_EQ(DpiFromChange(std::nullopt, 144 << 16 | 120, 96), std::nullopt);
  EXPECT_EQ(DpiFromChange(std::nullopt, 0, 96), std::nullopt);
  EXPECT_EQ(DpiFromChange(std::nullopt, Both(0xFFFF), 96), std::nullopt);
}

}  // namespace
}  // namespace drowsel
