// UTF-16 inside the program, the ANSI code page at the Win32 boundary.
#pragma once

#include <string>
#include <string_view>

namespace drowsel::win32host {

// Characters the code page lacks become its default character.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view text);

std::wstring ToWide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

}  // namespace drowsel::win32host
