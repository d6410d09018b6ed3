// drowsel.exe: the window is the program. Its load handler greets the chat
// room before the window first shows; the program ends with the window.
#include <windows.h>
// After <windows.h>, which they need:
#include <commctrl.h>
#include <objbase.h>

#include "app/form1.h"
#include "app/form1_layout.h"
#include "host/win32/form_window.h"
#include "host/win32/win32_host.h"

namespace {

// COM for the picture decoder, for the life of the program.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using namespace drowsel;
  ComApartment com;
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
