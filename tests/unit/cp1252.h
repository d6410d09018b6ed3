// Code page 1252 as the chat room receives it, for the characters our lines use.
#pragma once

#include <string>
#include <string_view>

namespace drowsel::testing {

// Lowercase hex of the line's bytes in code page 1252. A character outside
// ASCII, U+2021 and U+00B7 shows as "??" so that a stray one fails loudly.
inline std::string Cp1252Hex(std::u16string_view line) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string hex;
  for (char16_t c : line) {
    int byte = -1;
    if (c < 0x80) byte = c;
    if (c == u'\u2021') byte = 0x87;
    if (c == u'\u00b7') byte = 0xB7;
    if (byte < 0) {
      hex += "??";
      continue;
    }
    hex += Digits[byte >> 4];
    hex += Digits[byte & 15];
  }
  return hex;
}

}  // namespace drowsel::testing
