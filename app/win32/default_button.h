// Which button Enter presses: the push button that has the keyboard focus.
#pragma once

#include <windows.h>

namespace drowsel::win32app {

// The window's answer to DM_GETDEFID, which the dialog manager asks before
// it turns Enter into a click: the focused push button's control ID, however
// the focus reached it (Tab, a click, or handed on with SetFocus from a button
// just disabled, which never makes the new one the default). No default when
// the focus is elsewhere, so Enter in the reason box does nothing.
LRESULT FocusedButtonAsDefault(HWND form);

}  // namespace drowsel::win32app
