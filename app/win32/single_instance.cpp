#include "app/win32/single_instance.h"

#include "app/win32/form_messages.h"

namespace drowsel::win32app {
namespace {

// In the session's own namespace: another user's Drowsel, in another
// session, is no concern of this one.
constexpr wchar_t SessionName[] = L"Local\\Drowsel.OnePerSession";

}  // namespace

SingleInstance::SingleInstance() : mutex_(CreateMutexW(nullptr, FALSE, SessionName)) {
  first_ = !mutex_.valid() || GetLastError() != ERROR_ALREADY_EXISTS;
}

void SingleInstance::BringRunningCopyForward() {
  // Still starting (its window not made yet) or just ending: nothing to bring.
  HWND running = FindWindowW(FormClassName, nullptr);
  if (running == nullptr) return;
  // Both answer with the state before, not with success: a window that will
  // not come forward stays where it is, and this copy ends either way.
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
}

}  // namespace drowsel::win32app
