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

// The text as an ANSI window in code page 1252 holds it: a character the code
// page lacks becomes a look-alike where the system has one (a few of them
// here, the Polish letters) and '?' where it has none.
inline std::u16string ThroughCp1252(std::u16string_view text) {
  static constexpr std::u16string_view Upper =  // what 0x80 to 0x9F stand for
      u"\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u017d"
      u"\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u017e"
      u"\u0178";
  static constexpr std::u16string_view Lacking =
      u"\u0104\u0105\u0106\u0107\u0118\u0119\u0141\u0142"
      u"\u0143\u0144\u015a\u015b\u0179\u017a\u017b\u017c";
  static constexpr std::u16string_view BestFit = u"AaCcEeLlNnSsZzZz";
  std::u16string ansi(text);
  for (char16_t& c : ansi) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF) || Upper.find(c) != Upper.npos) continue;
    const std::size_t fit = Lacking.find(c);
    c = fit != Lacking.npos ? BestFit[fit] : u'?';
  }
  return ansi;
}

// The same in a code page without the catalogue's dagger and middle dot, as
// some double-byte ones are: the dot has a look-alike, the dagger none.
inline std::u16string ThroughCodePageWithoutDaggers(std::u16string_view text) {
  std::u16string ansi(text);
  for (char16_t& c : ansi) {
    if (c == u'\u00b7') c = u'.';
    if (c == u'\u2021') c = u'?';
  }
  return ansi;
}

}  // namespace drowsel::testing
