// Keys typed at Drowsel's window as a user types them: the window brought to
// the foreground, then real key presses through the system's input queue, so
// that they reach whichever control has the keyboard focus.
#pragma once

#include <windows.h>

#include <string>

namespace driver {

// Brings `window` to the foreground and types `keys`, one key or character
// after another: words in braces name a key ({tab}, {shift+tab}, {enter},
// {space}, {escape}), anything else is typed as text. False when a key name
// is unknown, the window would not come forward or the system took fewer
// inputs than it was given; `error` then says which.
bool TypeKeys(HWND window, const std::wstring& keys, std::wstring& error);

}  // namespace driver
