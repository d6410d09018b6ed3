#include "desktop/window_placement.h"

namespace drowsel {

void FormOnTop(WindowFunctions& windows, WindowHandle form) {
  // A window that cannot be made topmost still works; nothing to report.
  windows.SetWindowPos(form, HwndTopmost, 0, 0, 0, 0, SwpNoMove | SwpNoSize);
}

void FormDrag(WindowFunctions& windows, WindowHandle form) {
  // Both results are ignored: if the move cannot start, the window stays put.
  windows.ReleaseCapture();
  windows.SendMessageA(form, WmNcLButtonDown, HtCaption, std::intptr_t{0});
}

}  // namespace drowsel
