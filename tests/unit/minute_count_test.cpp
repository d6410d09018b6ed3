// The minute count's caption, read and written as the platform's own number
// conversions (VarR8FromStr, VarBstrFromR8) did before it had its own.
#include <gtest/gtest.h>

#include "app/minute_count.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::Utf8;

TEST(MinuteCountTest, ReadsNumbersWithSpaceAroundThemAndAnythingElseAsZero) {
  const struct {
    std::u16string_view caption;
    double minutes;
  } cases[] = {
      {u"  0", 0},  {u"1", 1},     {u" 41 ", 41},  {u"\t5\r\n", 5},  {u"\u00A05", 5},
      {u"05", 5},   {u"+5", 5},    {u"+ 5", 5},    {u"-5", -5},      {u"1.5", 1.5},
      {u".5", 0.5}, {u"1.", 1},    {u"1e3", 1000}, {u"1E+15", 1e15}, {u"", 0},
      {u"   ", 0},  {u"abc", 0},   {u"5abc", 0},   {u"5 5", 0},      {u"--5", 0},
      {u"0x10", 0}, {u"1e400", 0}, {u"nan", 0},    {u"inf", 0},      {u"\u0665", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MinutesFromCaption(c.caption), c.minutes) << '"' << Utf8(c.caption) << '"';
  }
}

TEST(MinuteCountTest, WritesAWholeNumberBareAndAnyOtherInFifteenDigits) {
  const struct {
    double minutes;
    std::u16string_view caption;
  } cases[] = {
      {0, u"0"},        {-0.0, u"0"},         {1, u"1"},
      {41, u"41"},      {-4, u"-4"},          {999999999999999, u"999999999999999"},
      {1e15, u"1E+15"}, {1e15 + 1, u"1E+15"}, {123456789012345678.0, u"1.23456789012346E+17"},
      {2.5, u"2.5"},    {0.1, u"0.1"},        {1e-5, u"1E-05"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8(CaptionFromMinutes(c.minutes)), Utf8(c.caption)) << c.minutes;
  }
}

}  // namespace
}  // namespace drowsel
