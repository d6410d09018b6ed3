#include "app/win32/program.h"

// After <windows.h>, which it needs:
#include <commctrl.h>

#include "app/form1_layout.h"

namespace drowsel::win32app {

Program::Program(HINSTANCE instance) : window_(instance, Form1Layout()) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);  // without it the buttons look older; they still work
}

}  // namespace drowsel::win32app
