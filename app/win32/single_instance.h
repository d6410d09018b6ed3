// One Drowsel per user session. Both copies would find the same chat client,
// so a second could only greet the room again, double every line and race the
// first over the user's draft.
#pragma once

#include <windows.h>

#include "host/win32/scoped.h"

namespace drowsel::win32app {

class SingleInstance {
 public:
  // Claims the session's name for as long as this object lives.
  SingleInstance();
  // False when another copy in this session holds the name. A name that
  // cannot be claimed at all says nothing, and the program runs.
  bool First() const { return first_; }
  // Brings the running copy's window to the front, restored if minimised.
  static void BringRunningCopyForward();

 private:
  win32host::ScopedHandle mutex_;
  bool first_ = true;
};

}  // namespace drowsel::win32app
