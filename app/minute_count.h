// The minute count as Label1's caption holds it: "  0" after a reset, then
// the number as the runtime's own conversions write it.
#pragma once

#include <string>
#include <string_view>

namespace drowsel {

// The caption's number. White space around it and a leading sign are
// allowed, with a decimal point and an exponent; anything else (another
// program may have set the caption) reads as 0.
double MinutesFromCaption(std::u16string_view caption);

// A whole number below 10^15 bare ("1", "42"); anything else with up to 15
// significant digits, an exponent written "E+15".
std::u16string CaptionFromMinutes(double minutes);

}  // namespace drowsel
