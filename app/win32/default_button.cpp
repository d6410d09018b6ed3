#include "app/win32/default_button.h"

namespace drowsel::win32app {

LRESULT FocusedButtonAsDefault(HWND form) {
  HWND focus = GetFocus();
  if (focus == nullptr || GetParent(focus) != form || !IsWindowEnabled(focus)) return 0;
  const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, 0, 0);
  if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0) return 0;
  return MAKELRESULT(static_cast<WORD>(GetDlgCtrlID(focus)), DC_HASDEFID);
}

}  // namespace drowsel::win32app
