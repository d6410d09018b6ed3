#include "desktop/window_placement.h"

namespace drowsel {

void FormOnTop(HostServices& host) {
  // A window that cannot be made topmost still works; nothing to report.
  host.SetWindowPos(host.FormHandle(), win32::HWND_TOPMOST, 0, 0, 0, 0,
                    win32::SWP_NOMOVE | win32::SWP_NOSIZE);
}

void FormDrag(HostServices& host) {
  // Both results are ignored: if the move cannot start, the window stays put.
  host.ReleaseCapture();
  host.SendMessageA(host.FormHandle(), win32::WM_NCLBUTTONDOWN, win32::HTCAPTION, std::intptr_t{0});
}

}  // namespace drowsel
