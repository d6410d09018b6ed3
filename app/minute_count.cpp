#include "app/minute_count.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace drowsel {
namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u00A0';
}
std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

double MinutesFromCaption(std::u16string_view caption) {
  std::u16string_view text = Trimmed(caption);
  const bool negative = !text.empty() && text.front() == u'-';
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    text = Trimmed(text.substr(1));
  }
  // A plain decimal number, all of it read: digits, the point and an exponent
  // only, which keeps out the "inf", "nan" and hexadecimal that strtod also
  // takes, and a digit or the point first, which keeps out a second sign.
  const char16_t first = text.empty() ? u' ' : text.front();
  if (!((first >= u'0' && first <= u'9') || first == u'.') ||
      text.find_first_not_of(u"0123456789.eE+-") != std::u16string_view::npos) {
    return 0.0;
  }
  const std::string narrow(text.begin(), text.end());  // all ASCII by now
  char* end = nullptr;
  const double value = std::strtod(narrow.c_str(), &end);
  if (end != narrow.c_str() + narrow.size()) return 0.0;
  if (!std::isfinite(value)) return 0.0;  // too large to hold
  return negative ? -value : value;
}

std::u16string CaptionFromMinutes(double minutes) {
  if (minutes == 0.0) minutes = 0.0;  // no "-0"
  char buffer[40];
  const int length = std::snprintf(buffer, sizeof buffer, "%.15G", minutes);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return u"0";
  std::u16string text(buffer, buffer + length);
  // Two digits of exponent at least, and no more: some C runtimes write three.
  if (const std::size_t e = text.find(u'E'); e != std::u16string::npos && e + 2 < text.size()) {
    std::size_t first = e + 2;  // past the sign
    while (text.size() - first > 2 && text[first] == u'0') text.erase(first, 1);
  }
  return text;
}

}  // namespace drowsel
