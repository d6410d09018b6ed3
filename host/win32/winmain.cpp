// drowsel.exe: the window is the program. Its load handler greets the chat
// room before the window first shows; the program ends with the window.
#include <windows.h>
// After <windows.h>, which it needs:
#include <commctrl.h>

#include "app/form1.h"
#include "app/form1_layout.h"
#include "host/win32/form_window.h"
#include "host/win32/scoped.h"
#include "host/win32/win32_host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using namespace drowsel;
  win32host::ComApartment com;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);  // without it the buttons look older; they still work

  win32host::FormWindow window(instance, Form1Layout());
  win32host::Win32Host host(&window);
  Form1 form(host);
  if (!window.Create(form)) return 1;

  form.Load();
  if (host.FormExists()) window.Show(showCommand);
  return host.RunMessageLoop();
}
