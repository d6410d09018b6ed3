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
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Digits with at most one point among them, and at least one digit; then an
// optional exponent: E or e, a sign if any, digits. Nothing else.
bool IsDecimal(std::u16string_view text) {
  std::size_t i = 0, digits = 0;
  bool point = false;
  for (; i < text.size() && (IsDigit(text[i]) || (text[i] == u'.' && !point)); ++i) {
    if (text[i] == u'.')
      point = true;
    else
      ++digits;
  }
  if (digits == 0) return false;
  if (i == text.size()) return true;
  if (text[i] != u'e' && text[i] != u'E') return false;
  if (++i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

}  // namespace

double MinutesFromCaption(std::u16string_view caption) {
  std::u16string_view text = Trimmed(caption);
  const bool negative = !text.empty() && text.front() == u'-';
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    text = Trimmed(text.substr(1));
  }
  if (!IsDecimal(text)) return 0.0;
  const std::string narrow(text.begin(), text.end());  // all ASCII by now
  const double value = std::strtod(narrow.c_str(), nullptr);
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
