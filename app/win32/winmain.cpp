// drowsel.exe: the window is the program. Its load handler greets the chat
// room before the window first shows; the program ends with the window.
#include <windows.h>

#include "app/form1.h"
#include "app/win32/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  drowsel::win32app::Program program(instance);
  drowsel::Form1 form(program.host(), program.form());
  if (!program.Create(form)) return 1;

  form.Load();
  if (program.GoesOn()) program.Show(showCommand);
  return program.RunMessageLoop();
}
