// Drowsel's Windows shell, put together the one way that drowsel.exe and the
// benchmark's programs both use: the common controls, the window built from
// its layout, which is the logic's window and controls, and the Win32 host
// for everything else.
#pragma once

#include <windows.h>

#include "app/win32/form_window.h"
#include "host/control.h"
#include "host/host_services.h"
#include "host/win32/scoped.h"
#include "host/win32/win32_host.h"

namespace drowsel::win32app {

class Program {
 public:
  explicit Program(HINSTANCE instance);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  HostServices& host() { return host_; }
  FormControls& form() { return window_; }

  // Creates the window, hidden, raising `events` from then on. False when the
  // platform refused to make it.
  bool Create(FormEvents& events) { return window_.Create(events); }
  void Show(int showCommand) { window_.Show(showCommand); }
  // The top-level message loop, until the window has gone; the exit code.
  int RunMessageLoop() { return host_.RunMessageLoop(); }
  // The window is still there and no quit request has been met.
  bool GoesOn() { return window_.FormExists() && !host_.Quitting(); }

 private:
  FormWindow window_;
  win32host::Win32Host host_;
};

}  // namespace drowsel::win32app
