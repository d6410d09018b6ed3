// Messages of Windows newer than the oldest we run on, which its headers do
// not declare. An older Windows never sends them.
#pragma once

#include <windows.h>

namespace drowsel::win32host {

// Windows 8.1: the window's monitor DPI changed; wParam holds the new DPI,
// lParam the suggested window rectangle.
constexpr UINT WmDpiChanged = 0x02E0;

}  // namespace drowsel::win32host
