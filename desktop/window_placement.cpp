#include "desktop/window_placement.h"

namespace drowsel {

void FormOnTop(HostServices& host) {
  // A window that cannot be made topmost still works; nothing to report.
  host.SetWindowPos(host.FormHandle(), HwndTopmost, 0, 0, 0, 0, SwpNoMove | SwpNoSize);
}

void FormDrag(HostServices& host) {
  // Both results are ignored: if the move cannot start, the window stays put.
  host.ReleaseCapture();
  host.SendMessageA(host.FormHandle(), WmNcLButtonDown, HtCaption, std::intptr_t{0});
}

}  // namespace drowsel
