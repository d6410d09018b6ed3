// What other programs see of Drowsel's window: its class name, by which they
// find it, and the message it queues to itself for a click, which another
// program can post as well (the end-to-end tests do, through their driver).
#pragma once

#include <windows.h>

namespace drowsel::win32app {

inline constexpr wchar_t FormClassName[] = L"DrowselForm";

// A click is handled from our own queue, after the button has finished with
// its press, so that a handler that unloads the window never destroys a
// button in the middle of its own message. wParam: the button's control ID.
inline constexpr UINT ClickMessage = WM_APP + 1;

}  // namespace drowsel::win32app
