// drowsel.exe: the window is the program. Its load handler greets the chat
// room before the window first shows; the program ends with the window.
#include <windows.h>

#include "app/form1.h"
#include "app/win32/program.h"
#include "app/win32/single_instance.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // A second start hands over to the copy that runs: its window comes
  // forward, and this one posts nothing.
  const drowsel::win32app::SingleInstance session;
  if (!session.First()) {
    drowsel::win32app::SingleInstance::BringRunningCopyForward();
    return 0;
  }
  drowsel::win32app::Program program(instance);
  drowsel::Form1 form(program.host(), program.form());
  if (!program.Create(form)) return 1;

  form.Load();
  if (program.GoesOn()) program.Show(showCommand);
  return program.RunMessageLoop();
}
