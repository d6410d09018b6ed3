#include "host/win32/ansi_text.h"

#include <windows.h>

#include <climits>

namespace drowsel::win32host {

// wchar_t is UTF-16 on Windows, so the two views share their bits.
std::wstring ToWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}
std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

std::string ToAnsi(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX / 4) return std::string();
  const std::wstring wide = ToWide(text);
  const int length = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
}

std::u16string FromAnsi(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return std::u16string();
  const int length = static_cast<int>(text.size());
  const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) return std::u16string();
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), chars);
  return FromWide(wide);
}

}  // namespace drowsel::win32host
